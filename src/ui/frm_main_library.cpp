// The main window's File-menu commands, the sheet view's place in it and
// printing the form.

#include "store/form_file.h"
#include "ui/editors.h"
#include "ui/factura.h"
#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

namespace brela {

factura* frmMain::sheet() const
{
    return sheet_;
}

void frmMain::openFromList(qint16 formId, const QString& model)
{
    openModel = model;
    if (openByModel(session_, *this, formId, formCaption(formId)))
        noteUsed(formId);
}

namespace {
const QString kFormFileFilter = QStringLiteral("Formularios de Brela (*.json);;Todos los archivos (*)");
}

QString frmMain::chooseFile(bool save, const QString& proposed, const QString& filter)
{
    if (chooseFile_)
        return chooseFile_(save, proposed, filter);
    return save ? QFileDialog::getSaveFileName(this, QStringLiteral("Exportar formulario"), proposed, filter)
                : QFileDialog::getOpenFileName(this, QStringLiteral("Seleccione Archivo"), proposed, filter);
}

// What is on the sheet goes out, changes not yet saved included, under the
// name it is open with.
void frmMain::exportOpenForm()
{
    if (session_.form.FormIDActual == 0)
        return;
    QString path = chooseFile(true, defaultFormFilePath(session_.folder, session_.form.NombreActual), kFormFileFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += kFormFileSuffix;
    if (exportForm(session_, session_.workingCopy, session_.form.NombreActual, path))
        session_.op.status(QStringLiteral("Formulario exportado a %1").arg(path));
}

void frmMain::importFormFromFile()
{
    const QString path = chooseFile(false, session_.folder, kFormFileFilter);
    if (path.isEmpty())
        return;
    qint16 stored = 0;
    if (importFormFile(session_, path, QString(), true, stored))
        session_.op.message(QStringLiteral("Se importó el formulario \"%1\"; ya está en el menú de su modelo.")
                                .arg(formCaption(stored)),
                            Icon::Information, QStringLiteral("IMPORTAR FORMULARIO"));
}

void frmMain::printForm()
{
    if (session_.form.FormIDActual == 0 || !sheet_)
        return;
    const Answer answer = session_.op.ask(
        QStringLiteral("Se imprime el formulario en formato por defecto seleccionado en la impresora.\r\n\r\n"
                       "Si usted tiene una impresora tipo matriz de punto, la impresión puede ocupar varias hojas."
                       "\r\n\r\n¿Desea continuar con la impresión ?"),
        Buttons::YesNo, Icon::Information, QStringLiteral("Impresión del Formulario"));
    if (answer == Answer::No)
        return;
    sheet_->redrawRequested = true;
    sheet_->printAtTrueScale = true;
    session_.op.processEvents();
    sheet_->ArmaForm();
}

bool frmMain::sheetDrawn() const
{
    return sheet_ && sheet_->drawn;
}

bool frmMain::sheetModified() const
{
    // Changes outside the history (a read-back) or a history away from its saved point.
    return sheet_ && (sheet_->modified || formEditor_->modified());
}

void frmMain::setSheetModified(bool modified)
{
    if (sheet_)
        sheet_->modified = modified;
    if (!modified)
        formEditor_->setSaved();
}

void frmMain::showSheet()
{
    if (!sheet_) {
        sheet_ = new factura(session_, detail_, validation_.grid);
        // A form opened anew starts a history of its own.
        formEditor_->reset();
        sheet_->setEditor(formEditor_);
        wireEditors(session_, *this, *sheet_);
        sheet_->setCloseRequest([this] { return offerToSave(session_, *this, Leaving::CloseForm); });
        connect(sheet_, &factura::closed, this, [this] {
            sheet_ = nullptr;
            forgetCurrentForm(session_, *this);
            formEditor_->reset();
        });
        connect(sheet_, &factura::pointerMoved, this, [this](const QString& zone, const QString& x, const QString& y) {
            panel(1)->setText(zone);
            panel(2)->setText(x);
            panel(3)->setText(y);
        });
        QMdiSubWindow* frame = mdi_->addSubWindow(sheet_);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        // 250 twips from the client area's corner.
        const PixelScale px = sheet_->pixelScale();
        const int offset = static_cast<int>(px.pixels(250));
        frame->move(offset, offset);
        sheet_->ArmaForm();
        // The sheet fills the window and scales with it.
        frame->showMaximized();
        refreshProblems();
    }
    QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(sheet_->parentWidget());
    if (!frame->isVisible())
        frame->showMaximized();
    mdi_->setActiveSubWindow(frame);
    sheet_->Form_Activate();
}

void frmMain::raiseSheet()
{
    if (!sheet_)
        return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(sheet_->parentWidget())) {
        frame->show();
        mdi_->setActiveSubWindow(frame);
        frame->raise();
    }
}

void frmMain::unloadSheet()
{
    if (sheet_)
        sheet_->unload();
    sheet_ = nullptr;
}

void frmMain::setSheetCaption(const QString& caption)
{
    if (sheet_)
        sheet_->setWindowTitle(caption);
}

void frmMain::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    setEnabled(!busy);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Leaving with unsaved changes asks first; a refused or failed save stays.
    if (!leaving_ && !offerToSave(session_, *this, Leaving::Exit)) {
        event->ignore();
        return;
    }
    leaving_ = true;
    QMainWindow::closeEvent(event);
    writePlacement();
    QApplication::quit();
}

} // namespace brela

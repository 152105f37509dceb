#include "ui/frm_util.h"

#include "printer/fiscal_commands.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brela {

frmUtil::frmUtil(Session& session, PrinterWorker& worker, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), worker_(&worker), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("frmUtil"));
    setWindowTitle(QStringLiteral("Utilidades de documentos"));

    for (int i = 0; i < 3; ++i) {
        combo_[i] = new QComboBox(this);
        combo_[i]->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        combo_[i]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo_[i]->setMinimumContentsLength(20);
    }
    // The letters follow the type at once, not when the list loses the focus:
    // a click on a button straight after choosing would print with a letter
    // the type does not take.
    connect(combo_[0], &QComboBox::currentIndexChanged, this, [this] {
        if (combo_[0]->count() > 0)
            InitComboLetra();
    });

    frame_ = new QGroupBox(QStringLiteral("Comprobante de $0,01"), this);
    frame_->setObjectName(QStringLiteral("Frame1"));
    check_[0] = new QCheckBox(QStringLiteral("Con Transporte"), frame_);
    check_[1] = new QCheckBox(QStringLiteral("Sin Pagos"), frame_);
    auto* checks = new QVBoxLayout(frame_);
    for (int i = 0; i < 2; ++i) {
        check_[i]->setObjectName(QStringLiteral("Check1_%1").arg(i));
        checks->addWidget(check_[i]);
    }

    const QString captions[5] = {QStringLiteral("&Salir"), QStringLiteral("&Emitir Comprobante"),
                                 QStringLiteral("Cierre &X"), QStringLiteral("Cierre &Z"),
                                 QStringLiteral("&Canc.Comprobante")};
    auto* buttons = new QVBoxLayout;
    for (int i = 0; i < 5; ++i) {
        command_[i] = new QPushButton(captions[i], this);
        command_[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        connect(command_[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    // The document's button first, the window's own last, as the eye runs.
    for (int i : {1, 2, 3, 4, 0})
        buttons->addWidget(command_[i]);
    buttons->addStretch();

    auto* choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("Comprobante"), this), 0, 0);
    choices->addWidget(combo_[0], 0, 1);
    choices->addWidget(new QLabel(QStringLiteral("Letra"), this), 1, 0);
    choices->addWidget(combo_[1], 1, 1);
    choices->addWidget(new QLabel(QStringLiteral("Densidad"), this), 2, 0);
    choices->addWidget(combo_[2], 2, 1);
    choices->addWidget(frame_, 3, 0, 1, 2);
    choices->setRowStretch(4, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(choices, 1);
    layout->addLayout(buttons);
    resize(520, 220);
    connect(&worker, &PrinterWorker::busyChanged, this, &frmUtil::followPrinter);
}

// No button starts a second printer command while one runs, from this
// window or any other.
void frmUtil::followPrinter(bool busy)
{
    busy_ = busy;
    for (QPushButton* button : command_)
        button->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void frmUtil::Form_Load()
{
    if (hooks_.setOpen)
        hooks_.setOpen(true);
    // Nothing to choose until the model is known; the printer is asked on its own thread.
    const auto firstModel = std::make_shared<bool>(false);
    const QPointer<frmUtil> window(this);
    const bool asked = worker_
                       && worker_->start([firstModel](Workbench& bench) { *firstModel = PFEsModeloQM210(bench.link); },
                                         [window, firstModel] {
                                             if (window) {
                                                 window->fillLists(*firstModel);
                                                 emit window->actionDone();
                                             }
                                         });
    if (!asked)
        fillLists(false);
}

void frmUtil::fillLists(bool firstModel)
{
    combo_[0]->clear();
    combo_[0]->addItems(documentTypeEntries(firstModel));
    combo_[0]->setCurrentIndex(0);
    combo_[2]->clear();
    combo_[2]->addItems(pitchEntries(firstModel));
    // Hidden, not disabled: the later models have no use for it.
    check_[1]->setVisible(firstModel);

    combo_[1]->clear();
    InitComboLetra();
    check_[0]->setChecked(false);
    check_[1]->setChecked(false);

    const QString cpi = QString::number(session_.units.CPIActual);
    int pitch = 0;
    for (int i = 0; i < combo_[2]->count(); ++i)
        if (combo_[2]->itemText(i).left(2) == cpi) {
            pitch = i;
            break;
        }
    combo_[2]->setCurrentIndex(pitch);
}

void frmUtil::InitComboLetra()
{
    const LetterChoice choice = brela::InitComboLetra(combo_[0]->currentText(), combo_[1]->currentText());
    if (choice.entries) {
        combo_[1]->clear();
        combo_[1]->addItems(*choice.entries);
        combo_[1]->setCurrentIndex(0);
    }
    if (!choice.transport)
        check_[0]->setChecked(false);
    check_[0]->setEnabled(choice.transport);
}

void frmUtil::Command1_Click(int index)
{
    if (index == 0) {
        close();
        return;
    }
    if (!worker_ || worker_->refuseWhileBusy())
        return;
    const QPointer<frmUtil> window(this);
    // Steps come from the printer's thread and show here.
    const Progress progress = [window](const QString& step) {
        if (window)
            QMetaObject::invokeMethod(
                window.data(),
                [window, step] {
                    if (window && window->hooks_.status)
                        window->hooks_.status(step);
                },
                Qt::QueuedConnection);
    };
    const auto ended = [window] {
        if (!window)
            return;
        if (window->hooks_.status)
            window->hooks_.status(QString());
        emit window->actionDone();
    };
    switch (index) {
    case 1:
        printTest(progress);
        break;
    case 2:
    case 3: {
        const QString kind = index == 2 ? QStringLiteral("X") : QStringLiteral("Z");
        worker_->start([kind, progress](Workbench& bench) { dailyClose(bench.link, kind, progress); }, ended);
        break;
    }
    case 4:
        worker_->start([progress](Workbench& bench) { cancelOpenDocument(bench.link, progress); }, ended);
        break;
    default:
        break;
    }
}

void frmUtil::printTest(const Progress& progress)
{
    TestDocument document;
    document.typeEntry = combo_[0]->currentText();
    document.letter = combo_[1]->currentText().left(1);
    document.cpi = static_cast<qint16>(combo_[2]->currentText().left(2).toInt());
    document.transport = check_[0]->isChecked();
    document.noPayment = check_[1]->isChecked();
    const auto result = std::make_shared<TestResult>();
    const QPointer<frmUtil> window(this);
    worker_->start(
        [document, result, progress](Workbench& bench) { *result = printTestDocument(bench.link, document, progress); },
        [window, result] {
            if (!window)
                return;
            // The lists now show what was printed with.
            window->InitComboLetra();
            if (!result->letter.isEmpty()) {
                for (int i = 0; i < window->combo_[1]->count(); ++i)
                    if (window->combo_[1]->itemText(i).startsWith(result->letter)) {
                        window->combo_[1]->setCurrentIndex(i);
                        break;
                    }
            }
            if (window->hooks_.status)
                window->hooks_.status(QString());
            emit window->actionDone();
        });
}

void frmUtil::closeEvent(QCloseEvent* event)
{
    // The printer is mid-command; the window goes when it is done.
    if (busy_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (hooks_.setOpen)
        hooks_.setOpen(false);
}

} // namespace brela

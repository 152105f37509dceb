#include "ui/frm_set_zone.h"

#include "common/version.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace brela {

QString dialogFilter(const QString& filter)
{
    // Pairs of caption and pattern.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i];
    return entries.join(QStringLiteral(";;"));
}

FrmSetZone::FrmSetZone(Session& session, PrinterWorker* worker, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), worker_(worker), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("FrmSetZone"));
    Command1_2 = new QPushButton(this);
    Command1_4 = new QPushButton(this);
    Command1_5 = new QPushButton(this);
    Command2 = new QPushButton(this);
    Label1 = new QLabel(this);
    Label3 = new QLabel(this);
    Help_Label = new QLabel(this);
    Command1_2->setObjectName(QStringLiteral("Command1_2"));
    Command1_4->setObjectName(QStringLiteral("Command1_4"));
    Command1_5->setObjectName(QStringLiteral("Command1_5"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Help_Label->setObjectName(QStringLiteral("Help_Label"));
    Help_Label->setFrameShape(QFrame::StyledPanel);
    Help_Label->setMinimumHeight(60);
    Help_Label->setWordWrap(true);
    Label3->setFrameShape(QFrame::StyledPanel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label3, 1, 0, 1, 3);
    grid->addWidget(Command1_4, 2, 0);
    grid->addWidget(Command1_5, 2, 1);
    grid->addWidget(Command1_2, 2, 2);
    grid->addWidget(Help_Label, 3, 0, 1, 3);
    grid->addWidget(Command2, 4, 2);
    resize(520, 220);

    connect(Command1_2, &QPushButton::clicked, this, [this] { send(); });
    connect(Command1_4, &QPushButton::clicked, this, &FrmSetZone::chooseFile);
    connect(Command1_5, &QPushButton::clicked, this, &FrmSetZone::viewFile);
    connect(Command2, &QPushButton::clicked, this, &FrmSetZone::exit);
    if (worker)
        connect(worker, &PrinterWorker::busyChanged, this, &FrmSetZone::followPrinter);
    Form_Load();
}

// Another window's printer command holds the send back until it ends.
void FrmSetZone::followPrinter(bool busy)
{
    if (!sending_)
        Command1_2->setEnabled(!busy && !fileName.isEmpty());
}

void FrmSetZone::Form_Load()
{
    setWindowTitle(QStringLiteral("Configuración de Zonas de Impresión"));
    Command1_2->setText(QStringLiteral("Enviar Configuración"));
    Command1_4->setText(QStringLiteral("Buscar Archivo"));
    Command1_5->setText(QStringLiteral("Ver/Editar Archivo"));
    Command2->setText(QStringLiteral("SALIR"));
    Label1->setText(QStringLiteral("Nombre del archivo"));
    Label3->clear();
    Help_Label->clear();
    Command1_2->setEnabled(false);
    Command1_5->setEnabled(false);
    if (folder.isEmpty())
        folder = session_.folder;
}

void FrmSetZone::takeFile(const QString& path)
{
    const QFileInfo info(path);
    Label3->setText(info.fileName());
    fileName = QDir::toNativeSeparators(info.absoluteFilePath());
    folder = QDir::toNativeSeparators(info.absolutePath());
    Command1_2->setEnabled(!worker_ || !worker_->busy());
    Command1_5->setEnabled(true);
}

void FrmSetZone::Form_Activate()
{
    // A script generated since the window last looked is the one to send;
    // a file the operator chose here stays until a newer script exists.
    const QString last = session_.lastScript;
    if (!last.isEmpty() && last != proposed_ && QFileInfo::exists(last)) {
        proposed_ = last;
        takeFile(last);
    }
    open = true;
    if (hooks_.setOpen)
        hooks_.setOpen(true);
    Habilita(3);
}

void FrmSetZone::Habilita(int option)
{
    switch (option) {
    case 0:
        setEnabled(true);
        Command2->setEnabled(true);
        break;
    case 1:
        setEnabled(false);
        break;
    case 3:
        setEnabled(true);
        break;
    default:
        session_.op.message(QStringLiteral("Opcion  ") + QString::number(option) + QStringLiteral(" NO esperada "),
                            Icon::None, applicationTitle());
    }
}

SendProgress FrmSetZone::progress()
{
    // Called on the printer's thread: the label is set here, on the window's.
    SendProgress progress;
    progress.label = [window = QPointer<FrmSetZone>(this)](const QString& text) {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (window)
            QMetaObject::invokeMethod(
                window.data(),
                [window, shown] {
                    if (window)
                        window->Help_Label->setText(shown);
                },
                Qt::QueuedConnection);
    };
    return progress;
}

bool FrmSetZone::send()
{
    if (!worker_ || worker_->refuseWhileBusy())
        return false;
    Habilita(1);
    sending_ = true;
    setCursor(Qt::BusyCursor);
    const auto state = std::make_shared<SenderState>(state_);
    const auto result = std::make_shared<bool>(false);
    const QString file = fileName;
    const SendProgress lines = progress();
    const QPointer<FrmSetZone> window(this);
    return worker_->start(
        [state, result, file, lines](Workbench& bench) {
            *result = PFEnviaConfig(bench.session, bench.link, *state, file, lines);
        },
        [window, state, result] {
            if (!window)
                return;
            window->state_ = *state;
            window->lastResult = *result;
            window->sending_ = false;
            window->unsetCursor();
            window->Habilita(0);
            emit window->sent(*result);
        });
}

void FrmSetZone::chooseFile()
{
    Habilita(1);
    const QString chosen = hooks_.chooseFile ? hooks_.chooseFile(folder, filter)
                                             : QFileDialog::getOpenFileName(this, QStringLiteral("Seleccione Archivo"),
                                                                            folder, dialogFilter(filter));
    if (!chosen.isEmpty()) {
        takeFile(chosen);
    } else if (fileName.isEmpty()) {
        session_.op.message(QStringLiteral("Debe seleccionar un Archivo para la Carga"), Icon::None,
                            applicationTitle());
    }
    Habilita(3);
}

void FrmSetZone::viewFile()
{
    Habilita(1);
    session_.op.openInEditor(fileName);
    Habilita(3);
}

void FrmSetZone::exit()
{
    hide();
    open = false;
    if (hooks_.setOpen)
        hooks_.setOpen(false);
}

void FrmSetZone::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (open)
        exit();
}

} // namespace brela

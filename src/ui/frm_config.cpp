#include "ui/frm_config.h"

#include "common/numbers.h"
#include "common/version.h"
#include "store/db.h"

#include <QComboBox>
#include <QPointer>
#include <memory>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brela {
namespace {

// Twips at the usual 96 dots per inch.
constexpr int twips(int value)
{
    return value / 15;
}

} // namespace

FrmConfig::FrmConfig(PrinterWorker& worker, Operator& op, QSqlDatabase db, PortPanel setPortPanel, QWidget* parent,
                     const PortList& ports)
    : QDialog(parent), worker_(worker), op_(op), db_(std::move(db)), setPortPanel_(std::move(setPortPanel)),
      ports_(ports)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Configuración del Port Serie."));
    setGeometry(twips(400), twips(600), twips(3900), twips(2200));

    for (int i = 0; i < 2; ++i) {
        combo_[i] = new QComboBox(this);
        combo_[i]->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        // Typed values are allowed, as in any drop-down combo; Aceptar checks them.
        combo_[i]->setEditable(true);
        combo_[i]->setInsertPolicy(QComboBox::NoInsert);
    }
    combo_[0]->setMinimumContentsLength(40);
    combo_[0]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo_[0]->setToolTip(QStringLiteral("Elija un port de la lista o escriba la ruta de un dispositivo "
                                         "(por ejemplo /dev/ttyUSB0 o /dev/pts/3)."));
    details_ = new QLabel(this);
    details_->setObjectName(QStringLiteral("portDetails"));
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    combo_[1]->addItems({QStringLiteral("9600, N, 8, 1"), QStringLiteral("19200, N, 8, 1"),
                         QStringLiteral("38400, N, 8, 1"), QStringLiteral("4800, N, 8, 1")});

    library_ = new QLineEdit(configuredLibraryUrl(), this);
    library_->setObjectName(QStringLiteral("txtBiblioteca"));
    library_->setPlaceholderText(QStringLiteral("Vacío: Facturas.db en la carpeta del programa"));
    library_->setToolTip(QStringLiteral("Biblioteca de formularios compartida por varios puestos, en PostgreSQL:\n"
                                        "postgresql://usuario@servidor:puerto/base o\n"
                                        "postgresql://usuario@/base?host=/carpeta/del/socket.\n"
                                        "Se usa desde el próximo inicio del programa."));

    command_[0] = new QPushButton(QStringLiteral("&Cancelar"), this);
    command_[1] = new QPushButton(QStringLiteral("&Aceptar"), this);
    command_[0]->setObjectName(QStringLiteral("Command1_0"));
    command_[1]->setObjectName(QStringLiteral("Command1_1"));
    command_[1]->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Puerto"), this), 0, 0);
    grid->addWidget(combo_[0], 0, 1);
    grid->addWidget(details_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Configuración"), this), 2, 0);
    grid->addWidget(combo_[1], 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Biblioteca"), this), 3, 0);
    grid->addWidget(library_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command_[0]);
    buttons->addWidget(command_[1]);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(command_[0], &QPushButton::clicked, this, &QDialog::reject);
    connect(command_[1], &QPushButton::clicked, this, &FrmConfig::acceptSettings);
    connect(combo_[0], &QComboBox::currentTextChanged, this, &FrmConfig::showDetails);
    fillPorts();
}

void FrmConfig::fillPorts()
{
    entries_ = chooserPorts(ports_);
    combo_[0]->clear();
    for (qsizetype i = 0; i < entries_.size(); ++i)
        combo_[0]->addItem(chooserCaption(entries_[i], int(i)));
}

void FrmConfig::showDetails()
{
    const QString text = combo_[0]->currentText();
    const int index = combo_[0]->findText(text);
    if (!missingCaption_.isEmpty() && text == missingCaption_) {
        details_->setText(QStringLiteral("No conectado ahora. Se busca el adaptador %1 [%2].")
                              .arg(stored_.PortAdapterName, stored_.PortAdapter));
        return;
    }
    if (index < 0 || index >= entries_.size()) {
        details_->setText(QStringLiteral("Dispositivo escrito a mano: se abre tal como está."));
        return;
    }
    const PortInfo& port = entries_[index];
    const auto orNone = [](const QString& value) { return value.isEmpty() ? QStringLiteral("—") : value; };
    details_->setText(
        QStringLiteral("Dispositivo: %1\nDescripción: %2\nFabricante: %3\nN.º de serie: %4")
            .arg(port.device, orNone(port.description), orNone(port.manufacturer), orNone(port.serialNumber)));
}

void FrmConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // An adapter plugged in since the last time shows up now.
    fillPorts();
    selectStored();
    showDetails();
}

void FrmConfig::selectStored()
{
    PortConfig stored;
    try {
        stored = loadPortConfig(db_);
    } catch (const DbError& error) {
        reportDbError(op_, error, applicationTitle(), DbErrorStyle::Numbered);
    }
    stored_ = stored;
    missingCaption_.clear();
    // A device or adapter beside COM1 to COM4: its entry, or as it was typed.
    int found = -1;
    for (qsizetype i = 4; i < entries_.size() && found < 0; ++i) {
        const QString identity = adapterIdentity(entries_[i]);
        if (stored.PortAdapter.isEmpty() ? entries_[i].device == stored.PortDevice : identity == stored.PortAdapter)
            found = int(i);
    }
    if (found >= 0) {
        combo_[0]->setCurrentIndex(found);
    } else if (!stored.PortAdapter.isEmpty()) {
        missingCaption_ = stored.PortAdapterName + QStringLiteral(" — no conectado");
        combo_[0]->addItem(missingCaption_);
        combo_[0]->setCurrentIndex(combo_[0]->count() - 1);
    } else if (!stored.PortDevice.isEmpty()) {
        combo_[0]->setCurrentIndex(-1);
        combo_[0]->setEditText(stored.PortDevice);
    } else {
        // The last numbered entry stays selected when nothing matches.
        for (int i = 0; i < 4 && i < combo_[0]->count(); ++i) {
            combo_[0]->setCurrentIndex(i);
            if (static_cast<int>(textToNumber(combo_[0]->itemText(i).left(1))) == stored.PortNmb)
                break;
        }
    }
    for (int i = 0; i < combo_[1]->count(); ++i) {
        combo_[1]->setCurrentIndex(i);
        if (combo_[1]->itemText(i).toUpper() == stored.PORTCFG.toUpper())
            break;
    }
}

// A new library is tried before it is kept, and used from the next start:
// the open windows hold forms of the present one.
bool FrmConfig::acceptLibrary()
{
    const QString url = library_->text().trimmed();
    if (url == configuredLibraryUrl())
        return true;
    setEnabled(false);
    const QString problem = libraryProblem(url);
    setEnabled(true);
    if (!problem.isEmpty()) {
        op_.message(QStringLiteral("No se puede usar la biblioteca %1:\r\n%2").arg(url, problem), Icon::Exclamation,
                    applicationTitle());
        return false;
    }
    setConfiguredLibraryUrl(url);
    op_.message(url.isEmpty()
                    ? QStringLiteral("Desde el próximo inicio, Brela usará la biblioteca Facturas.db de este equipo.")
                    : QStringLiteral("Desde el próximo inicio, Brela usará la biblioteca compartida %1.")
                          .arg(libraryLabel(QString(), url)),
                Icon::Information, applicationTitle());
    return true;
}

void FrmConfig::acceptSettings()
{
    const QString port = combo_[0]->currentText().trimmed();
    const QString settings = combo_[1]->currentText();
    if (port.isEmpty() || settings.trimmed().isEmpty()) {
        op_.message(QStringLiteral("Complete los datos y reintente"), Icon::None, applicationTitle());
        return;
    }
    PortConfig chosen = stored_;
    chosen.PORTCFG = settings;
    // The stored adapter, while unplugged, stays as it is.
    const bool keepMissing = !missingCaption_.isEmpty() && port == missingCaption_;
    if (!keepMissing && !portFromText(port, entries_, chosen)) {
        op_.message(QStringLiteral("No se reconoce el port \"%1\". Elija uno de la lista o escriba la ruta del "
                                   "dispositivo (por ejemplo /dev/ttyUSB0).")
                        .arg(port),
                    Icon::Exclamation, applicationTitle());
        return;
    }
    // Settings that do not read are to be corrected here, before the port is touched.
    const QString problem = lineSettingsProblem(chosen.PORTCFG);
    if (!problem.isEmpty()) {
        op_.message(problem, Icon::Exclamation, applicationTitle());
        return;
    }
    if (!acceptLibrary())
        return;
    // A port that cannot be opened has been reported and the window closes all the same.
    const auto applied = std::make_shared<Applied>(Applied::Failed);
    const PortPanel panel = setPortPanel_;
    const PortList* ports = &ports_;
    const QPointer<FrmConfig> window(this);
    setEnabled(false);
    const bool started = worker_.start(
        [applied, chosen, panel, ports](Workbench& bench) {
            *applied = applyPortSettings(bench.link, bench.session.db, chosen, panel, *ports);
        },
        [window, applied] {
            if (!window)
                return;
            window->setEnabled(true);
            window->applied_ = *applied;
            if (*applied != Applied::Refused)
                window->accept();
        });
    if (!started)
        setEnabled(true);
}

} // namespace brela

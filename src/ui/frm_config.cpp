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
#include <QPushButton>

namespace brela {
namespace {

// Twips at the usual 96 dots per inch.
constexpr int twips(int value)
{
    return value / 15;
}

} // namespace

FrmConfig::FrmConfig(PrinterWorker& worker, Operator& op, QSqlDatabase db, PortPanel setPortPanel, QWidget* parent)
    : QDialog(parent), worker_(worker), op_(op), db_(std::move(db)), setPortPanel_(std::move(setPortPanel))
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
    combo_[0]->addItems({QStringLiteral("1 Com1"), QStringLiteral("2 Com2"), QStringLiteral("3 Com3"), QStringLiteral("4 Com4")});
    combo_[1]->addItems({QStringLiteral("9600, N, 8, 1"), QStringLiteral("19200, N, 8, 1"), QStringLiteral("38400, N, 8, 1"),
                         QStringLiteral("4800, N, 8, 1")});

    command_[0] = new QPushButton(QStringLiteral("&Cancelar"), this);
    command_[1] = new QPushButton(QStringLiteral("&Aceptar"), this);
    command_[0]->setObjectName(QStringLiteral("Command1_0"));
    command_[1]->setObjectName(QStringLiteral("Command1_1"));
    command_[1]->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Puerto"), this), 0, 0);
    grid->addWidget(combo_[0], 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Configuración"), this), 1, 0);
    grid->addWidget(combo_[1], 1, 1);
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
}

void FrmConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    selectStored();
}

void FrmConfig::selectStored()
{
    PortConfig stored;
    try {
        stored = loadPortConfig(db_);
    } catch (const DbError& error) {
        reportDbError(op_, error, applicationTitle());
    }
    // The last entry stays selected when nothing matches.
    for (int i = 0; i < combo_[0]->count(); ++i) {
        combo_[0]->setCurrentIndex(i);
        if (static_cast<int>(textToNumber(combo_[0]->itemText(i).left(1))) == stored.PortNmb)
            break;
    }
    for (int i = 0; i < combo_[1]->count(); ++i) {
        combo_[1]->setCurrentIndex(i);
        if (combo_[1]->itemText(i).toUpper() == stored.PORTCFG.toUpper())
            break;
    }
}

void FrmConfig::acceptSettings()
{
    const QString port = combo_[0]->currentText().trimmed();
    const QString settings = combo_[1]->currentText();
    if (port.isEmpty() || settings.trimmed().isEmpty()) {
        op_.message(QStringLiteral("Complete los datos y reintente"), Icon::None, applicationTitle());
        return;
    }
    const PortConfig chosen{static_cast<int>(textToNumber(port.left(1))), settings};
    // Settings that do not read are to be corrected here, before the port is touched.
    const QString problem = lineSettingsProblem(chosen.PORTCFG);
    if (!problem.isEmpty()) {
        op_.message(problem, Icon::Exclamation, applicationTitle());
        return;
    }
    // A port that cannot be opened has been reported and the window closes all the same.
    const auto applied = std::make_shared<Applied>(Applied::Failed);
    const PortPanel panel = setPortPanel_;
    const QPointer<FrmConfig> window(this);
    setEnabled(false);
    const bool started = worker_.start(
        [applied, chosen, panel](Workbench& bench) { *applied = applyPortSettings(bench.link, bench.session.db, chosen, panel); },
        [window, applied] {
            if (!window)
                return;
            window->setEnabled(true);
            if (*applied != Applied::Refused)
                window->accept();
        });
    if (!started)
        setEnabled(true);
}

} // namespace brela

// The several-printer window: ticked ports become rows that show each
// printer's lines, step and result as the run goes, and the window is
// ready for another run when all are done.
#include "../transfer/emulated_printer.h"
#include "ui/frm_several_printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace brela::test {
namespace {

TEST(SeveralPrintersWindow, ShowsEachTickedPrinterAsItsOwnRow)
{
    TestEnv env;
    OwnLinePrinter second(emu::Model::QM540);
    OwnLinePrinter fourth(emu::Model::QM210);
    FrmSeveralPrinters window(*env.session, nullptr, [&](const PrinterTarget& target) {
        return target.choice.number == 2 ? second.borrowLine() : fourth.borrowLine();
    });
    ASSERT_GE(window.portChecks().size(), 4u);
    window.portChecks()[1]->setChecked(true);
    window.portChecks()[3]->setChecked(true);
    window.formList()->setCurrentIndex(window.formList()->findData(3)); // a QM540 form
    env.op.queueAnswer(Answer::Yes);
    window.startButton()->click();
    EXPECT_FALSE(window.startButton()->isEnabled());
    EXPECT_TRUE(window.cancelAllButton()->isEnabled());

    QEventLoop loop;
    QObject::connect(&window.run(), &SeveralPrinters::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (window.run().running())
        loop.exec();

    QTableWidget* table = window.table();
    ASSERT_EQ(table->rowCount(), 2);
    const auto bar = [table](int row) { return static_cast<QProgressBar*>(table->cellWidget(row, 1)); };
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("COM2"));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("Finalizada"));
    EXPECT_GT(bar(0)->maximum(), 10);
    EXPECT_EQ(bar(0)->value(), bar(0)->maximum());
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("COM4"));
    EXPECT_EQ(table->item(1, 3)->text(), QStringLiteral("Incompleta"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("Consultando el modelo de la impresora."));
    EXPECT_EQ(bar(1)->value(), 0);
    EXPECT_FALSE(table->cellWidget(0, 4)->isEnabled());
    EXPECT_TRUE(window.startButton()->isEnabled());
    EXPECT_FALSE(window.cancelAllButton()->isEnabled());
}

} // namespace
} // namespace brela::test

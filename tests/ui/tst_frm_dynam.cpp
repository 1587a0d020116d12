#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"
#include "ui/frm_dynam.h"

using namespace quillon;

namespace {

// The fixture station (HB612, KD236, KA224) with its EDS open in the editor.
struct Station
{
    test::ParamsDir dir;
    Session session = dir.session();
    test::ScriptedDialogs dialogs;
    std::unique_ptr<FrmDynam> window;

    void open()
    {
        session.gstrActEDS = dir.path("station.eds");
        QVERIFY(Command15_Click(session, dialogs));
        window = std::make_unique<FrmDynam>(session, dialogs);
        window->show();
    }
    template <typename T = QWidget> T* find(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QString text(const QString& name) const { return find(name)->property("text").toString(); }
    void tab(int index) const { find<QTabWidget>("TabStrip1")->setCurrentIndex(index); }
    void press(const char* button) const
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    // Types into a Value box and leaves it with Return, as a user would.
    void type(const char* box, const QString& text) const
    {
        QLineEdit* line = find<QComboBox>(box)->lineEdit();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
    }
    int value(int row) const { return window->editor().row(row).record.ValueNumber; }
};

} // namespace

class TestFrmDynam : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void start_showsOneTabPerSlotAndBuildsItsRowsWhenFirstShown()
    {
        Station s;
        s.open();
        QCOMPARE(s.window->objectName() + '|' + s.window->windowTitle(),
                 QStringLiteral("frmDynam|Setting of K310 I/O - Module Parameters"));
        auto* tabs = s.find<QTabWidget>("TabStrip1");
        QCOMPARE(tabs->count() == 3 ? tabs->tabText(2) : QString(),
                 QStringLiteral("KA224 - Slot 3"));
        // Only the selected slot's frame shows; its rows fit, so no scroll bar.
        QVERIFY(s.find("Frame1")->isVisible() && !s.find("Frame2")->isVisible());
        QVERIFY(!s.find("VScroll1")->isVisible());
        QCOMPARE(s.find("Frame2")->findChildren<QComboBox*>().size(), 0);
        s.tab(1);
        QVERIFY(!s.find("Frame1")->isVisible() && s.find("Frame2")->isVisible());
        QCOMPARE(s.find("Frame2")->findChildren<QComboBox*>().size(), 3);
        QStringList shown;
        for (const char* name : {"Label0_4", "Text0_4", "Text2_4", "Text3_4"})
            shown << s.text(name);
        QCOMPARE(shown, (QStringList{"Param.2", "Parameter KD236 Offset", "-10", "10"}));

        // The defaults fill the Value and Default Value boxes and the choice lists.
        s.dialogs.thenAnswer(true);
        s.press("Command1");
        auto* filter = s.find<QComboBox>("Combo0_1");
        QCOMPARE(filter->itemText(1) + '|' + filter->currentText(), QStringLiteral("0.3 ms|3 ms"));
        QCOMPARE(s.text("Text1_4"), QStringLiteral("-3"));
        QVERIFY(s.dialogs.done());
    }

    void scrollBar_showsForTallSlotsAndKeepsEachTabsPosition()
    {
        Station s;
        s.session.gintAnzMod = 3; // rows without values
        s.session.gstrModule = {"OVN_HB612.eds", "OVN_KD236.eds", "OVN_KA224.eds"};
        s.session.gstrModPar = {30, 2, 40};
        s.window = std::make_unique<FrmDynam>(s.session, s.dialogs);
        s.window->show();
        auto* scroll = s.find<QScrollBar>("VScroll1");
        // 30 rows of 400 in a frame 8732 high: (12000 - 8732) / 400 + 1 gives 9.
        QVERIFY(scroll->isVisible());
        QCOMPARE(scroll->maximum(), 9);
        scroll->setValue(4);
        QCOMPARE(s.find("Combo0_6")->y(), s.window->toPixelsY(5 * 400 + 50 - 4 * 400));
        s.tab(1);
        QVERIFY(!scroll->isVisible());
        s.tab(2);
        QCOMPARE(scroll->value(), 0);
        s.tab(0);
        QCOMPARE(scroll->value(), 4);
    }

    void valueBox_typedChoiceTextIsANumber_onlyAPickFromTheListTakesTheChoice()
    {
        // Choice values that are not their positions; a typed choice text is read as a number.
        Station s;
        s.dir.write(s.dir.resources() + "OVN_KA224.eds",
                    "\"--Help string --\",\r\n\"\",\r\n0,20,3,\r\n0;  $ decimal places\r\n\r\n"
                    "EnumXXX =\r\n7,\"Channel off\",\r\n3,\"0..10 V\",\r\n12,\"+/-10 V\",\r\n"
                    "5,\"2..10 V\";\r\n[END_DEVNET_PART]\r\n");
        s.open();
        s.dialogs.thenAnswer(true);
        s.press("Command1");
        s.tab(2);
        auto* range = s.find<QComboBox>("Combo0_6");
        QCOMPARE(range->currentText(), QStringLiteral("0..10 V"));
        s.type("Combo0_6", QStringLiteral("2..10 V"));
        QCOMPARE(s.value(6), 2);
        const auto pick = [range](int index) {
            range->showPopup();
            QTRY_VERIFY_WITH_TIMEOUT(range->view()->isVisible(), 30000);
            range->view()->setCurrentIndex(range->model()->index(index, 0));
            QTest::keyClick(range->view(), Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(!range->view()->isVisible(), 30000);
        };
        pick(3);
        QCOMPARE(s.value(6), 5);
        QVERIFY(!s.window->editor().ValueEdited() && s.dialogs.notices.empty());
    }

    void valueEdits_checkedAndKeptOverExit_closeBoxDiscards()
    {
        Station s;
        s.session.gbLoadedEDS = true;
        s.session.gbAskForDef = true;
        s.open();
        QSignalSpy hidden(s.window.get(), &FrmDynam::hidden);
        QSignalSpy closed(s.window.get(), &FrmDynam::closed);
        s.type("Combo0_2", QStringLiteral("101")); // 0..100, default 5
        QCOMPARE(s.dialogs.notices, std::vector<std::string>{OutOfBoundsMessage});
        QCOMPARE(s.find<QComboBox>("Combo0_2")->currentText(), QStringLiteral("5"));
        s.tab(1);
        s.type("Combo0_4", QStringLiteral("7"));

        s.press("Command2");
        QCOMPARE(hidden.count(), 1);
        QVERIFY(!s.window->isVisible() && s.session.view.editorExists);
        QVERIFY(Command15_Click(s.session, s.dialogs));
        s.window->show(); // what the main window does with the existing editor
        QCOMPARE(s.find<QComboBox>("Combo0_4")->currentText(), QStringLiteral("7"));
        QCOMPARE(s.value(4), 7);

        s.window->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!s.session.view.editorExists);
    }
};

QTEST_MAIN(TestFrmDynam)
#include "tst_frm_dynam.moc"

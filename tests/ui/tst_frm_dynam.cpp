#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "core/file_access.h"
#include "core/settings.h"
#include "eds/generate.h"
#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"
#include "ui/frm_dynam.h"

using namespace quillon;

namespace {

// The fixture station (HB612, KD236, KA224) with its EDS chosen for editing.
struct Station
{
    test::ParamsDir dir;
    Session session = dir.session();
    test::ScriptedDialogs dialogs;
    Station() { session.gstrActEDS = dir.path("station.eds"); }
};

QString text(QWidget& window, const QString& name)
{
    return window.findChild<QLineEdit*>(name)->text();
}

// Types `text` into a Value box and leaves it with Return, as a user would.
void typeInto(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), text);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
}

} // namespace

class TestFrmDynam : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void start_namesEveryControlAndShowsOneTabPerSlot()
    {
        Station s;
        QVERIFY(Command15_Click(s.session, s.dialogs));
        FrmDynam window(s.session, s.dialogs);
        window.show();

        QCOMPARE(window.objectName(), QStringLiteral("frmDynam"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Setting of K310 I/O - Module Parameters"));
        for (const char* name :
             {"TabStrip1", "VScroll1", "Frame0", "Frame1", "Frame2", "Frame3", "Command1",
              "Command2", "Command3", "Text4", "Text5", "Text7", "Text8"})
            QVERIFY2(window.findChild<QWidget*>(QLatin1String(name)), name);
        auto* tabs = window.findChild<QTabWidget*>("TabStrip1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0) + '|' + tabs->tabText(2),
                 QStringLiteral("HB612 - Slot 1|KA224 - Slot 3"));
        // Only the selected slot's frame shows; its rows fit, so no scroll bar. A slot's rows
        // are made when its tab first shows.
        QVERIFY(window.findChild<QFrame*>("Frame1")->isVisible());
        QVERIFY(!window.findChild<QFrame*>("Frame2")->isVisible());
        QVERIFY(!window.findChild<QScrollBar*>("VScroll1")->isVisible());
        QCOMPARE(window.findChild<QFrame*>("Frame2")->findChildren<QComboBox*>().size(), 0);
        tabs->setCurrentIndex(1);
        QVERIFY(!window.findChild<QFrame*>("Frame1")->isVisible());
        QVERIFY(window.findChild<QFrame*>("Frame2")->isVisible());
        QCOMPARE(window.findChild<QFrame*>("Frame2")->findChildren<QComboBox*>().size(), 3);
        QStringList shown;
        for (const char* name : {"Text6", "Command3", "Label0_4", "Text0_4", "Text2_4", "Text3_4"})
            shown << window.findChild<QWidget*>(name)->property("text").toString();
        QCOMPARE(shown, (QStringList{"  Default Value", "Save EDS File", "Param.2",
                                     "Parameter KD236 Offset", "-10", "10"}));
        QVERIFY(window.findChild<QComboBox*>("Combo0_4")->isEditable());
        QCOMPARE(window.findChild<QComboBox*>("Combo0_4")->currentText(), QString());

        // The defaults fill the Value and Default Value boxes and the choice lists.
        s.dialogs.thenAnswer(true);
        QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        auto* filter = window.findChild<QComboBox*>("Combo0_1");
        QCOMPARE(filter->count(), 2);
        QCOMPARE(filter->itemText(1), QStringLiteral("0.3 ms"));
        QCOMPARE(filter->currentText(), QStringLiteral("3 ms"));
        QCOMPARE(text(window, "Text1_4"), QStringLiteral("-3"));
        QVERIFY(s.dialogs.unexpected.empty());
    }

    void generatedSampleStation_showsEveryModulesParameters()
    {
        const SettingsResult read = readSettingsFile(
            QStringLiteral(QUILLON_RESOURCES "/Quillon.ini").toStdString(), QUILLON_RESOURCES);
        QVERIFY(read.ok);
        test::ParamsDir dir;
        Session session;
        session.gstrResourcePath = read.settings.resourcePath;
        session.ClusterSlots[0] = headRecord();
        session.UsedBytes = session.ClusterSlots[0].bytes();
        for (int i = 0; i < read.settings.catalogueRecordCount && session.UsedCount < 8; ++i) {
            const ModuleInfo& m = read.settings.catalogue[static_cast<std::size_t>(i)];
            if (m.AnalogInBytes + m.AnalogOutBytes > 0)
                continue; // keep within the CANopen byte limits
            session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
            for (std::size_t kind = 0; kind < ByteKindCount; ++kind)
                session.UsedBytes[kind] += m.bytes()[kind];
        }
        test::ScriptedDialogs dialogs;
        const std::string path = dir.path("CO_generated.eds");
        const EdsBuildResult built = buildEdsText(session, FieldbusProtocol::CanOpen, path,
                                                  DateTime{2009, 6, 30, 14, 5, 9}, dialogs);
        QVERIFY2(built.ok, built.error.c_str());
        QVERIFY(writeFileAtomically(path, built.text + "\r\n"));
        session.gstrActEDS = path;
        QVERIFY(Command15_Click(session, dialogs));

        FrmDynam window(session, dialogs);
        window.show();
        auto* tabs = window.findChild<QTabWidget*>("TabStrip1");
        QCOMPARE(tabs->count(), 8);
        int k = 1;
        for (int slot = 1; slot <= 8; ++slot) {
            const ModuleInfo& m = session.ClusterSlots[static_cast<std::size_t>(slot - 1)];
            const QString model = QString::fromStdString(modelNameOf(m.ResourceFile));
            QCOMPARE(tabs->tabText(slot - 1), model + QStringLiteral(" - Slot %1").arg(slot));
            tabs->setCurrentIndex(slot - 1);
            auto* frame = window.findChild<QFrame*>(QStringLiteral("Frame%1").arg(slot));
            QCOMPARE(frame->findChildren<QComboBox*>().size(), m.ParameterCount);
            for (int j = 1; j <= m.ParameterCount; ++j, ++k) {
                // Every row control is named after its row and sits in its slot's frame.
                for (const char* column :
                     {"Label0_", "Text0_", "Combo0_", "Text1_", "Text2_", "Text3_"}) {
                    auto* w =
                        window.findChild<QWidget*>(QLatin1String(column) + QString::number(k));
                    QVERIFY2(w && w->parent() == frame, column);
                }
                const QString name = text(window, QStringLiteral("Text0_%1").arg(k));
                QVERIFY2(name.startsWith(QStringLiteral("Parameter ") + model), qPrintable(name));
                QVERIFY(!text(window, QStringLiteral("Text3_%1").arg(k)).isEmpty());
            }
        }
        QVERIFY(dialogs.notices.empty());
    }

    void scrollBar_showsForTallSlotsAndKeepsEachTabsPosition()
    {
        Station s;
        s.session.gstrActEDS.clear(); // rows without values
        s.session.gintAnzMod = 3;
        s.session.gstrModule = {"OVN_HB612.eds", "OVN_KD236.eds", "OVN_KA224.eds"};
        s.session.gstrModPar = {30, 2, 40};
        FrmDynam window(s.session, s.dialogs);
        window.show();
        auto* tabs = window.findChild<QTabWidget*>("TabStrip1");
        auto* scroll = window.findChild<QScrollBar*>("VScroll1");

        // 30 rows of 400 in a frame 8732 high: (12000 - 8732) / 400 + 1 gives 9.
        QVERIFY(scroll->isVisible());
        QCOMPARE(scroll->maximum(), 9);
        auto* firstLabel = window.findChild<QLabel*>("Label0_1");
        QCOMPARE(firstLabel->y(), window.toPixelsY(50));
        scroll->setValue(4);
        QCOMPARE(firstLabel->y(), window.toPixelsY(50 - 4 * 400));
        QCOMPARE(window.findChild<QComboBox*>("Combo0_6")->y(),
                 window.toPixelsY(5 * 400 + 50 - 4 * 400));

        tabs->setCurrentIndex(1);
        QVERIFY(!scroll->isVisible());
        tabs->setCurrentIndex(2);
        QVERIFY(scroll->isVisible());
        QCOMPARE(scroll->value(), 0);
        scroll->setValue(2);
        QCOMPARE(firstLabel->y(), window.toPixelsY(50 - 4 * 400)); // slot 1 stays where it was

        tabs->setCurrentIndex(0);
        QCOMPARE(scroll->value(), 4);
        QCOMPARE(scroll->maximum(), 9);
        tabs->setCurrentIndex(2);
        QCOMPARE(scroll->value(), 2);
    }

    void valueBox_typedChoiceTextIsANumber_onlyAPickFromTheListTakesTheChoice()
    {
        // Choice values that are not their positions, and a text that starts with a number.
        Station s;
        s.dir.write(s.dir.resources() + "OVN_KA224.eds",
                    "\"--Help string --\",\r\n\"\",\r\n0,20,3,\r\n0;  $ decimal places\r\n\r\n"
                    "EnumXXX =\r\n7,\"Channel off\",\r\n3,\"0..10 V\",\r\n12,\"+/-10 V\",\r\n"
                    "5,\"2..10 V\";\r\n[END_DEVNET_PART]\r\n");
        QVERIFY(Command15_Click(s.session, s.dialogs));
        FrmDynam window(s.session, s.dialogs);
        window.show();
        s.dialogs.thenAnswer(true);
        QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        window.findChild<QTabWidget*>("TabStrip1")->setCurrentIndex(2);
        auto* range = window.findChild<QComboBox*>("Combo0_6");
        QCOMPARE(range->currentText(), QStringLiteral("0..10 V"));
        const ParameterRecord& record = window.editor().row(6).record;

        // Typed and left: read as a number, whatever choice has that text.
        typeInto(range, QStringLiteral("2..10 V"));
        QCOMPARE(record.ValueNumber, 2);

        // Picked from the list: the choice's own value.
        const auto pick = [range](int index) {
            range->showPopup();
            QTRY_VERIFY_WITH_TIMEOUT(range->view()->isVisible(), 30000);
            range->view()->setCurrentIndex(range->model()->index(index, 0));
            QTest::keyClick(range->view(), Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(!range->view()->isVisible(), 30000);
        };
        pick(3);
        QCOMPARE(record.ValueNumber, 5);
        QCOMPARE(range->currentText(), QStringLiteral("2..10 V"));
        pick(0);
        QCOMPARE(record.ValueNumber, 7);
        QVERIFY(!window.editor().ValueEdited());
        QVERIFY(s.dialogs.notices.empty());
    }

    void valueEdits_checkedAndKeptOverExit_closeBoxDiscards()
    {
        Station s;
        QVERIFY(Command15_Click(s.session, s.dialogs));
        s.session.gbLoadedEDS = true;
        s.session.gbAskForDef = true;
        FrmDynam window(s.session, s.dialogs);
        QSignalSpy hidden(&window, &FrmDynam::hidden);
        QSignalSpy closed(&window, &FrmDynam::closed);
        window.show();

        auto* delay = window.findChild<QComboBox*>("Combo0_2"); // 0..100, default 5
        QCOMPARE(delay->currentText(), QStringLiteral("0"));
        typeInto(delay, QStringLiteral("16#FF"));
        QCOMPARE(s.dialogs.notices, std::vector<std::string>{OutOfBoundsMessage});
        QCOMPARE(delay->currentText(), QStringLiteral("5"));
        QCOMPARE(window.editor().row(2).record.ValueNumber, 5);
        typeInto(delay, QStringLiteral("16#1F"));
        QCOMPARE(window.editor().row(2).record.ValueNumber, 31);
        window.findChild<QTabWidget*>("TabStrip1")->setCurrentIndex(1); // KD236's rows
        auto* offset = window.findChild<QComboBox*>("Combo0_4");
        QVERIFY(offset);
        typeInto(offset, QStringLiteral("7"));
        QCOMPARE(s.dialogs.notices.size(), std::size_t{1});

        QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
        QCOMPARE(hidden.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(!s.session.view.editorVisible);
        QVERIFY(s.session.view.editorExists);

        QVERIFY(Command15_Click(s.session, s.dialogs));
        QVERIFY(s.session.view.editorVisible);
        window.show(); // what the main window does with the existing editor
        QCOMPARE(offset->currentText(), QStringLiteral("7"));
        QCOMPARE(window.editor().row(4).record.ValueNumber, 7);
        QCOMPARE(window.editor().row(2).record.ValueNumber, 31);

        window.close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!s.session.view.editorExists);
    }
};

QTEST_MAIN(TestFrmDynam)
#include "tst_frm_dynam.moc"

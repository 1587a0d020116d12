#include "ui/main_window.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/main_window_ops.h"
#include "core/cluster.h"
#include "core/io_map_view.h"
#include "core/program_location.h"
#include "core/recent_projects.h"
#include "core/session.h"
#include "core/startup.h"
#include "eds/generate.h"
#include "iomap/eds_export.h"
#include "params/editor_commands.h"
#include "project/project_file.h"
#include "ui/colours.h"
#include "ui/frm_dynam.h"
#include "ui/io_grid_table.h"
#include "ui/latin1.h"
#include "ui/map_list_window.h"
#include "ui/picture_box.h"

namespace quillon {

namespace {

// Text boxes show CR LF line ends as plain line breaks. The project box shows a file name.
QString displayText(const std::string& name, const std::string& bytes)
{
    QString text = name == "Text9" ? pathToQString(bytes) : toQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void paintBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    if (palette.color(role) == colour && widget->autoFillBackground()) {
        return;
    }
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Paints a widget's background in the role it fills itself with: Button for buttons, Window for
// the others.
void setBackground(QWidget* widget, const QColor& colour)
{
    paintBackground(widget, widget->backgroundRole(), colour);
}

// A read-only text of the window: a heading on the window's colour.
QLabel* heading(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A read-only text box, framed, with the white background of a text box unless it sits on the
// window's colour.
QLabel* textBox(const QString& name, const QString& text, QWidget* parent,
                const QColor& background = Qt::white)
{
    auto* label = heading(name, text, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(2);
    setBackground(label, background);
    return label;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString slotName(int position)
{
    return QStringLiteral("Image2_%1").arg(position);
}

const char* const AboutText = "%1\nVersion %2 (build %3)\n\n"
                              "Builds the Electronic Data Sheet (EDS) of an HB612 fieldbus station "
                              "with K310 I/O modules for DeviceNet and CANopen, and exports it to "
                              "SYCON.net.";

} // namespace

MainWindow::MainWindow(Session& session, Dialogs& dialogs, System& system, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_dialogs(dialogs), m_system(system)
{
    setObjectName(QStringLiteral("EDS"));
    setWindowTitle(toQString(ProgramName));
    buildControls();
    buildMenus();
    registerControls();
    connectActions();
    m_mapListGeneration = m_session.view.mapListGeneration;
    renderRecentProjects();
    render();
}

MainWindow::~MainWindow()
{
    delete m_mapList.data();
    delete m_editor.data();
}

MapListWindow* MainWindow::mapListWindow() const
{
    return m_mapList;
}

void MainWindow::buildControls()
{
    // The controls stand in a scroll area: on a screen smaller than the window (a laptop, a
    // large scale factor) the window is made to fit and the rest is scrolled to.
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("EDS_scroll"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    setCentralWidget(m_scrollArea);
    auto* central = new QWidget(m_scrollArea);
    central->setObjectName(QStringLiteral("EDS_client"));
    setBackground(central, fromColourRef(WindowBackColour));
    m_scrollArea->setWidget(central);

    // The top: logo, program box and the hint box.
    auto* logo = new QLabel(central);
    logo->setObjectName(QStringLiteral("Image4"));
    logo->setText(QStringLiteral("<span style='font-size:20pt; font-weight:bold; color:#1c3f8c'>"
                                 "Quillon</span><br><span style='color:#1c3f8c'>HB612 / K310 "
                                 "EDS configurator</span>"));
    logo->setFrameStyle(QFrame::Box | QFrame::Plain);
    logo->setMargin(6);
    // The program box is one of the texts drawn on the window's colour.
    auto* text3 = textBox("Text3", QString(), central, fromColourRef(WindowBackColour));
    text3->setMinimumWidth(
        text3->fontMetrics().horizontalAdvance(QStringLiteral("Quillon Automation   ")));
    m_hint = new QPlainTextEdit(central);
    m_hint->setObjectName(QStringLiteral("Text1"));
    m_hint->setReadOnly(true);
    m_hint->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        QPalette palette = m_hint->palette();
        palette.setColor(QPalette::Base, fromColourRef(HintBackColour));
        palette.setColor(QPalette::Text, fromColourRef(HintTextColour));
        m_hint->setPalette(palette);
    }
    m_hint->setFixedHeight(m_hint->fontMetrics().lineSpacing() * 5 + 12);
    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addWidget(text3);
    top->addWidget(m_hint, 1);

    // Left: the catalogue and the preview of the module last clicked.
    auto* left = new QVBoxLayout;
    left->addWidget(
        textBox("Text4", QStringLiteral("K310 - I/O - Modules for configuration:"), central));
    m_catalogue = new QListWidget(central);
    m_catalogue->setObjectName(QStringLiteral("List1"));
    m_catalogue->setMinimumWidth(m_catalogue->fontMetrics().horizontalAdvance(QLatin1Char('M')) *
                                 18);
    left->addWidget(m_catalogue, 1);
    left->addWidget(heading("Text7", QStringLiteral("Selected Module:"), central));
    m_preview = new PictureBox(central);
    m_preview->setObjectName(QStringLiteral("Image1_7"));
    m_preview->setFixedSize(fontMetrics().height() * 15 * 3 / 10 + 6,
                            fontMetrics().height() * 15 + 6);
    left->addWidget(m_preview, 0, Qt::AlignHCenter);

    // Centre, upper part: the limit table and the I/O mapping grid.
    auto* limits = new QGridLayout;
    limits->setSpacing(2);
    limits->addWidget(heading("Text18", QStringLiteral("Protocol  I/O - Amount - Info:"), central),
                      0, 0, 1, 5);
    const char* const columns[] = {"Text23", "Text11", "Text25", "Text26", "Text27"};
    const char* const captions[] = {"Bytes", "DI", "DO", "AI", "AO"};
    for (int c = 0; c < 5; ++c) {
        auto* h = heading(columns[c], QLatin1String(captions[c]), central);
        h->setAlignment(Qt::AlignCenter);
        limits->addWidget(h, 1, c);
    }
    limits->addWidget(textBox("Text12", QString(), central), 2, 0);
    limits->addWidget(textBox("Text14", QString(), central), 3, 0);
    const char* const maxBoxes[] = {"Text13", "Text16", "Text17", "Text19"};
    const char* const usedBoxes[] = {"Text15", "Text20", "Text21", "Text22"};
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000"));
    for (int c = 0; c < 4; ++c) {
        auto* max = textBox(maxBoxes[c], QString(), central);
        auto* used = textBox(usedBoxes[c], QString(), central);
        max->setMinimumWidth(boxWidth);
        used->setMinimumWidth(boxWidth);
        limits->addWidget(max, 2, c + 1);
        limits->addWidget(used, 3, c + 1);
    }
    limits->setRowStretch(4, 1);

    const std::array<QStringList, 6> gridWidths = {
        QStringList{QStringLiteral("Slot  ")},
        QStringList{QStringLiteral("Module ")},
        QStringList{QString(23, QLatin1Char('-')) + QLatin1Char(' '),
                    QStringLiteral("TPDO/Byte dig")},
        QStringList{QString(24, QLatin1Char('-')) + QLatin1Char(' '),
                    QStringLiteral("RPDO/Byte dig")},
        QStringList{QString(29, QLatin1Char(' ')), QStringLiteral("TPDO/Byte ana"),
                    QStringLiteral("100 ... 115")},
        QStringList{QString(30, QLatin1Char(' ')), QStringLiteral("RPDO/Byte ana"),
                    QStringLiteral("100 ... 115")},
    };
    m_grid = makeIoGridTable(QStringLiteral("grid"), gridWidths, fromColourRef(WindowBackColour),
                             central);
    auto* gridColumn = new QVBoxLayout;
    gridColumn->addWidget(heading("Text2", QStringLiteral("I/O - Mapping -List:"), central));
    gridColumn->addWidget(m_grid);

    auto* tables = new QHBoxLayout;
    tables->addLayout(limits);
    tables->addSpacing(12);
    tables->addLayout(gridColumn);
    tables->addStretch(1);

    // Centre, lower part: the cluster pictures with their slot numbers, framed like the station.
    // The pictures stand side by side at the proportions of the real housings: the head is twice
    // as wide as a module.
    const int pictureHeight = fontMetrics().height() * 15;
    const QSize moduleSize(pictureHeight * 3 / 10 + 6, pictureHeight + 6);
    const QSize headSize(pictureHeight * 6 / 10 + 6, pictureHeight + 6);
    auto* clusterFrame = new QFrame(central);
    clusterFrame->setObjectName(QStringLiteral("ClusterFrame"));
    clusterFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* cluster = new QGridLayout(clusterFrame);
    cluster->setHorizontalSpacing(0);
    cluster->setVerticalSpacing(2);
    for (int i = 0; i < 8; ++i) {
        // Text28(7) stands above the head, Text28(0..6) above positions 1..7.
        const int captionIndex = i == 0 ? 7 : i - 1;
        auto* caption =
            heading(QStringLiteral("Text28_%1").arg(captionIndex),
                    i == 0 ? QStringLiteral("SLOT:    1") : QString::number(i + 1), central);
        caption->setAlignment(Qt::AlignCenter);
        cluster->addWidget(caption, 0, i);
        auto* picture = new PictureBox(clusterFrame);
        picture->setObjectName(slotName(i));
        picture->setFixedSize(i == 0 ? headSize : moduleSize);
        m_slots[static_cast<std::size_t>(i)] = picture;
        cluster->addWidget(picture, 1, i);
    }
    auto* clusterRow = new QHBoxLayout;
    clusterRow->addWidget(clusterFrame);
    clusterRow->addStretch(1);
    auto* clusterColumn = new QVBoxLayout;
    clusterColumn->addWidget(heading("Text5", QStringLiteral("ZLT-HB612-Cluster:"), central));
    clusterColumn->addLayout(clusterRow);

    // Centre, bottom: the configuration controls.
    auto* configuration = new QHBoxLayout;
    configuration->addWidget(
        heading("Text24", QStringLiteral("Configuration \nControls:\n"), central));
    for (const auto& [name, caption] :
         {std::pair{"Command7", "Add to HB612 - Cluster"}, std::pair{"Command10", "Remove gaps"},
          std::pair{"Command6", "Clear all"}, std::pair{"Command8", "Clear selected "},
          std::pair{"Command11", "Insert before selected"}}) {
        configuration->addWidget(button(name, QLatin1String(caption), central));
    }
    configuration->addStretch(1);

    auto* centre = new QVBoxLayout;
    centre->addLayout(tables);
    centre->addSpacing(6);
    centre->addLayout(clusterColumn);
    centre->addLayout(configuration);
    centre->addStretch(1);

    // Right: protocol choice and project controls.
    auto* right = new QVBoxLayout;
    right->addWidget(heading("Text8_0", QStringLiteral("Fieldbus Protocol:"), central));
    m_option1 = new QRadioButton(QStringLiteral("DeviceNet"), central);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("CANopen"), central);
    m_option2->setObjectName(QStringLiteral("Option2"));
    for (QRadioButton* option : {m_option1, m_option2}) {
        // The window decides which one is checked, from the protocol chosen.
        option->setAutoExclusive(false);
        option->setAutoFillBackground(true);
        right->addWidget(option);
    }
    right->addSpacing(8);
    right->addWidget(heading("Text8_1", QStringLiteral("Project Controls:"), central));
    for (const auto& [name, caption] :
         {std::pair{"Command1", "New Configuration"},
          std::pair{"Command3", "Load Existing Configuration"},
          std::pair{"Command4", "Save Actual Configuration"},
          std::pair{"Command9", "Create EDS File and Save"},
          std::pair{"Command2", "Export EDS to SYCON.net"}, std::pair{"Command5", "Show EDS"},
          std::pair{"Command14", "I/O List"}, std::pair{"Command13", "I/O Bytes Mapping List "},
          std::pair{"Command15", "Set  Module Parameters"},
          std::pair{"Command16", "Load existing EDS and edit Parameters"}}) {
        right->addWidget(button(name, QLatin1String(caption), central));
    }
    for (const char* name : {"Command15", "Command16"}) {
        auto* parameterButton = central->findChild<QPushButton*>(QLatin1String(name));
        parameterButton->setStyleSheet(
            QStringLiteral("QPushButton { background-color: rgb(0, 255, 0); }"
                           "QPushButton:disabled { color: gray; }"));
        // CANopen shows them later; the window keeps their room, so it needs no new size then.
        QSizePolicy policy = parameterButton->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        parameterButton->setSizePolicy(policy);
    }
    central->findChild<QPushButton*>(QStringLiteral("Command13"))->hide();
    right->addStretch(1);

    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addSpacing(6);
    middle->addLayout(centre, 1);
    middle->addSpacing(6);
    middle->addLayout(right);

    // Bottom: reset and exit, the project box, the progress bar and the clock.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(button("Command17", QStringLiteral("Reset Quillon"), central));
    bottom->addWidget(button("Command12", QStringLiteral("Exit Quillon"), central));
    bottom->addSpacing(12);
    bottom->addWidget(heading("Text10", QStringLiteral("Project:"), central));
    auto* project = new QLineEdit(central);
    project->setObjectName(QStringLiteral("Text9"));
    project->setReadOnly(true);
    project->setFocusPolicy(Qt::ClickFocus);
    paintBackground(project, QPalette::Base, fromColourRef(WindowBackColour));
    bottom->addWidget(project, 1);
    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
    bottom->addWidget(m_progress);
    auto* date = heading("Label2", QStringLiteral("Date:"), central);
    auto* time = heading("Label1", QStringLiteral("Time:"), central);
    date->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Date: 0000-00-00 ")));
    time->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Time: 00:00:00 ")));
    bottom->addWidget(date);
    bottom->addWidget(time);

    auto* outer = new QVBoxLayout(central);
    outer->addLayout(top);
    outer->addLayout(middle, 1);
    outer->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
}

void MainWindow::buildMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const QString& caption, int key) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (key != 0) {
            action->setShortcut(QKeySequence(key));
        }
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("m_file"));
    item(file, "m_nproj", QStringLiteral("&New Configuration"), Qt::Key_F4);
    file->addSeparator();
    item(file, "m_LoPro", QStringLiteral("&Load Configuration"), Qt::Key_F5);
    item(file, "m_SaPro", QStringLiteral("&Save Configuration"), Qt::Key_F6);
    // The projects last loaded or saved, filled in when the menu opens.
    m_recentSeparator = file->addSeparator();
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        QAction* recent = file->addAction(QString());
        recent->setObjectName(QStringLiteral("m_recent%1").arg(i));
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this,
                [this, recent] { (void)openFile(recent->data().toString()); });
        m_recent[i] = recent;
    }
    connect(file, &QMenu::aboutToShow, this, &MainWindow::renderRecentProjects);
    file->addSeparator();
    item(file, "m_exit", QStringLiteral("&Exit"), 0);
    QMenu* project = menuBar()->addMenu(QStringLiteral("&Project"));
    project->setObjectName(QStringLiteral("m_proj"));
    item(project, "m_crsavEDS", QStringLiteral("Create and Save EDS"), Qt::Key_F7);
    item(project, "m_shEDS", QStringLiteral("Show EDS-File"), Qt::Key_F8);
    item(project, "m_creMapList", QStringLiteral("Export EDS-File"), Qt::Key_F9);
    QAction* about = menuBar()->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("m_About"));
}

void MainWindow::registerControls()
{
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty()) {
            m_controls.insert(widget->objectName(), widget);
        }
    }
    for (QAction* action : findChildren<QAction*>()) {
        if (!action->objectName().isEmpty()) {
            m_controls.insert(action->objectName(), action);
        }
    }
}

template <typename Operation> void MainWindow::run(Operation operation)
{
    operation();
    render();
}

void MainWindow::connectActions()
{
    Session& s = m_session;
    Dialogs& d = m_dialogs;
    System& sys = m_system;
    const auto onClick = [this](const char* name, auto operation) {
        auto* b = qobject_cast<QPushButton*>(m_controls.value(QLatin1String(name)));
        connect(b, &QPushButton::clicked, this, [this, operation] { run(operation); });
    };
    const auto onMenu = [this](const char* name, auto operation) {
        auto* a = qobject_cast<QAction*>(m_controls.value(QLatin1String(name)));
        connect(a, &QAction::triggered, this, [this, operation] { run(operation); });
    };

    // Project controls and their menu items.
    const auto newConfiguration = [&s, &d] { NewConfiguration(s, d); };
    const auto load = [&s, &d] { LoadConfiguration(s, d); };
    const auto save = [&s, &d] { SaveConfiguration(s, d); };
    const auto show = [&s, &d, &sys] { ShowEds(s, d, sys); };
    const auto exitProgram = [&s, &d] { ExitProgram(s, d); };
    onClick("Command1", newConfiguration);
    onMenu("m_nproj", newConfiguration);
    onClick("Command3", load);
    onMenu("m_LoPro", load);
    onClick("Command4", save);
    onMenu("m_SaPro", save);
    const auto generate = [&s, &d] { (void)GenerateEds(s, d); };
    onClick("Command9", generate);
    onMenu("m_crsavEDS", generate);
    onClick("Command5", show);
    onMenu("m_shEDS", show);
    onClick("Command2", [&s, &d, &sys] { ExportEds(s, d, sys); });
    onMenu("m_creMapList", [&s, &d, &sys] { exportFromMenu(s, d, sys); });
    onClick("Command14", [&s] { ShowIoList(s); });
    onClick("Command13", [&s] { RefreshIoMap(s); });
    onClick("Command15", [&s, &d] { (void)Command15_Click(s, d); });
    onClick("Command16", [&s, &d] { (void)Command16_Click(s, d); });
    onClick("Command12", exitProgram);
    onMenu("m_exit", exitProgram);

    // Configuration controls.
    onClick("Command7", [&s, &d] { AddModule(s, d); });
    onClick("Command10", [&s] { RemoveGaps(s); });
    onClick("Command6", [&s] { ClearAll(s); });
    onClick("Command8", [&s] { ClearSelected(s); });
    onClick("Command11", [&s, &d] { InsertBeforeSelected(s, d); });

    connect(qobject_cast<QPushButton*>(m_controls.value(QStringLiteral("Command17"))),
            &QPushButton::clicked, this, &MainWindow::resetProgram);
    connect(qobject_cast<QAction*>(m_controls.value(QStringLiteral("m_About"))),
            &QAction::triggered, this, &MainWindow::showAbout);
    connect(m_option1, &QRadioButton::clicked, this,
            [this] { chooseProtocol(FieldbusProtocol::DeviceNet); });
    connect(m_option2, &QRadioButton::clicked, this,
            [this] { chooseProtocol(FieldbusProtocol::CanOpen); });

    // A mouse click selects a catalogue entry on release; the arrow keys select as they move.
    connect(m_catalogue, &QListWidget::itemClicked, this, [this, &s, &d](QListWidgetItem* item) {
        const int row = m_catalogue->row(item);
        run([&s, &d, row] { SelectCatalogueEntry(s, d, row); });
    });
    connect(m_catalogue, &QListWidget::currentRowChanged, this, [this, &s, &d](int row) {
        if (row >= 0 && m_catalogue->hasFocus() && QApplication::mouseButtons() == Qt::NoButton) {
            run([&s, &d, row] { SelectCatalogueEntry(s, d, row); });
        }
    });
    // Enter or a double click adds the entry, as a click and "Add to HB612 - Cluster" do.
    connect(m_catalogue, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { activateCatalogueEntry(m_catalogue->row(item)); });
    m_catalogue->installEventFilter(this);
    for (int i = 0; i < 8; ++i) {
        connect(m_slots[static_cast<std::size_t>(i)], &PictureBox::clicked, this,
                [this, &s, i] { run([&s, i] { SelectSlot(s, i); }); });
    }
    connect(m_grid, &QTableWidget::cellClicked, this, [this, &s] { run([&s] { GridHint(s); }); });
    connect(m_timer, &QTimer::timeout, this, [this, &s] { run([&s] { clockTick(s); }); });
    m_timer->start();
}

void MainWindow::activateCatalogueEntry(int row)
{
    if (row >= 0) {
        run([this, row] { ActivateCatalogueEntry(m_session, m_dialogs, row); });
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_catalogue && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            activateCatalogueEntry(m_catalogue->currentRow());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::openFile(const QString& path)
{
    // The core gets the full path, as a file dialog would give it.
    const std::string fullPath =
        toPathBytes(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    bool opened = false;
    run([this, &fullPath, &opened] { opened = openFileOnStart(m_session, m_dialogs, fullPath); });
    return opened;
}

void MainWindow::renderRecentProjects()
{
    std::vector<std::string> stored;
    for (const QString& path : storedRecentProjects()) {
        stored.push_back(toPathBytes(path));
    }
    const std::vector<std::string> shown = existingRecentProjects(stored);
    const bool enabled = m_session.view.isEnabled("m_LoPro");
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        QAction* action = m_recent[i];
        const bool used = i < shown.size();
        action->setVisible(used);
        action->setEnabled(used && enabled);
        if (used) {
            const QString path = pathToQString(shown[i]);
            QString label = QDir::toNativeSeparators(path);
            label.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(label));
            action->setData(path);
        }
    }
    m_recentSeparator->setVisible(!shown.empty());
}

void MainWindow::rememberProject()
{
    if (m_session.projectFile == m_rememberedProject) {
        return;
    }
    m_rememberedProject = m_session.projectFile;
    if (m_rememberedProject.empty() || !m_remembersProjects) {
        return;
    }
    std::vector<std::string> stored;
    for (const QString& path : storedRecentProjects()) {
        stored.push_back(toPathBytes(path));
    }
    QStringList paths;
    for (const std::string& path : withRecentProject(stored, m_rememberedProject)) {
        paths << pathToQString(path);
    }
    storeRecentProjects(paths);
    renderRecentProjects();
}

void MainWindow::chooseProtocol(FieldbusProtocol protocol)
{
    // An option button acts only when it changes the choice, as a click on the chosen one did
    // nothing.
    if (m_session.Protocol != protocol) {
        ChooseProtocol(m_session, protocol);
    }
    render();
}

void MainWindow::resetProgram()
{
    if (!ResetProgram(m_session, m_dialogs)) {
        render();
        hide();
        Q_EMIT programEnded(1);
        return;
    }
    m_catalogue->clearSelection();
    m_catalogue->setCurrentRow(-1, QItemSelectionModel::Clear);
    render();
}

void MainWindow::showAbout()
{
    QMessageBox box(QMessageBox::Information,
                    QStringLiteral("About %1").arg(toQString(ProgramName)),
                    toQString(AboutText).arg(toQString(ProgramName), toQString(ProgramVersion),
                                             toQString(ProgramBuild)),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    box.exec();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The close box runs the close steps once; Exit has run its own steps already.
    if (!m_closing && !m_session.view.quitRequested) {
        m_closing = true;
        closeMainWindow(m_session, m_dialogs);
        render();
    }
    event->accept();
}

void MainWindow::render()
{
    setWindowTitle(pathToQString(mainWindowTitle(m_session)));
    rememberProject();
    renderControlStates();
    renderTexts();
    renderCatalogue();
    showIoGrid(*m_grid, m_session.view.grid);
    renderPictures();
    renderOptions();
    showProgress(m_session.view.progressValue, m_session.view.progressVisible);
    renderMapList();
    if (renderEditor()) {
        // The editor's own start-up may have changed what this window shows.
        render();
        return;
    }
    if (m_session.view.quitRequested) {
        hide();
        Q_EMIT programEnded(0);
    }
}

void MainWindow::renderControlStates()
{
    for (const auto& [name, state] : m_session.view.controls()) {
        QObject* control = m_controls.value(toQString(name));
        if (auto* widget = qobject_cast<QWidget*>(control)) {
            widget->setEnabled(state.enabled);
            if (widget->isHidden() == state.visible) {
                widget->setVisible(state.visible);
            }
        } else if (auto* action = qobject_cast<QAction*>(control)) {
            action->setEnabled(state.enabled);
            action->setVisible(state.visible);
        }
    }
}

void MainWindow::renderTexts()
{
    for (const auto& [name, bytes] : m_session.view.texts()) {
        QObject* control = m_controls.value(toQString(name));
        const QString text = displayText(name, bytes);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            if (label->text() != text) {
                label->setText(text);
            }
        } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
            if (line->text() != text) {
                line->setText(text);
                line->setCursorPosition(0);
            }
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
            if (box->toPlainText() != text) {
                box->setPlainText(text);
            }
        } else if (auto* b = qobject_cast<QAbstractButton*>(control)) {
            if (b->text() != text) {
                b->setText(text);
            }
        }
    }
}

void MainWindow::renderCatalogue()
{
    const std::vector<std::string>& names = m_session.view.catalogueNames;
    if (names == m_shownCatalogue) {
        return;
    }
    m_shownCatalogue = names;
    const QSignalBlocker quiet(m_catalogue);
    m_catalogue->clear();
    for (const std::string& name : names) {
        m_catalogue->addItem(toQString(name));
    }
}

void MainWindow::renderPictures()
{
    const ViewModel& view = m_session.view;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        m_slots[i]->setPicturePath(pathToQString(view.slotPicture[i]));
        m_slots[i]->setBorder(view.slotBorder[i]);
    }
    m_preview->setPicturePath(pathToQString(view.previewPicture));
}

void MainWindow::renderOptions()
{
    const ViewModel& view = m_session.view;
    setBackground(m_option1, fromColourRef(view.option1BackColour));
    setBackground(m_option2, fromColourRef(view.option2BackColour));
    m_option1->setChecked(m_session.Protocol == FieldbusProtocol::DeviceNet);
    m_option2->setChecked(m_session.Protocol == FieldbusProtocol::CanOpen);
}

void MainWindow::showProgress(int value, bool visible)
{
    const int clamped = std::clamp(value, m_progress->minimum(), m_progress->maximum());
    if (m_progress->value() != clamped || m_progress->isVisible() != visible) {
        m_progress->setValue(clamped);
        // Kept in the layout while hidden, so the bottom row does not jump.
        QSizePolicy policy = m_progress->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        m_progress->setSizePolicy(policy);
        m_progress->setVisible(visible);
        m_progress->repaint();
    }
}

void MainWindow::renderMapList()
{
    const ViewModel& view = m_session.view;
    const bool fresh = view.mapListGeneration != m_mapListGeneration;
    m_mapListGeneration = view.mapListGeneration;
    if (m_mapList && (!view.mapListOpen || fresh)) {
        MapListWindow* old = m_mapList;
        m_mapList = nullptr;
        old->hide();
        old->deleteLater();
    }
    if (view.mapListOpen && !m_mapList && fresh) {
        m_mapList = new MapListWindow(view.mapList, m_dialogs, m_session.gstrProjectPath);
        m_mapList->setWindowIcon(windowIcon());
        connect(m_mapList, &MapListWindow::closedByUser, this, [this] {
            // The user closed it; the next refresh finds nothing to close.
            m_session.view.mapListOpen = false;
            MapListWindow* closed = m_mapList;
            m_mapList = nullptr;
            if (closed) {
                closed->deleteLater();
            }
        });
        m_mapList->show();
    }
}

bool MainWindow::renderEditor()
{
    const ViewModel& view = m_session.view;
    if (!view.editorExists) {
        if (m_editor) {
            // Discarded, not closed: its close steps are not run again.
            QWidget* old = m_editor;
            m_editor = nullptr;
            old->hide();
            old->deleteLater();
        }
        return false;
    }
    bool created = false;
    if (!m_editor) {
        auto* editor = new FrmDynam(m_session, m_dialogs, this);
        editor->setWindowIcon(windowIcon());
        connect(editor, &FrmDynam::hidden, this, &MainWindow::render);
        connect(editor, &FrmDynam::closed, this, &MainWindow::render);
        connect(editor, &FrmDynam::sessionChanged, this, &MainWindow::render);
        m_editor = editor;
        created = true;
    }
    if (m_editor->isVisible() != view.editorVisible) {
        m_editor->setVisible(view.editorVisible);
        if (view.editorVisible) {
            m_editor->raise();
            m_editor->activateWindow();
        }
    }
    return created;
}

void locateProgram(Session& session, const QString& programDir)
{
    useProgramLocation(session,
                       findProgramLocation(toPathBytes(QDir::toNativeSeparators(programDir)),
                                           platformUserFolders()));
}

namespace {

// Kept apart from the settings file Quillon.ini, which the program only reads: on Linux
// ~/.config/quillon/recent.conf, on Windows the registry under HKEY_CURRENT_USER\Software\quillon.
const char* const RecentOrganisation = "quillon";
const char* const RecentApplication = "recent";
const char* const RecentProjectsKey = "RecentProjects";

} // namespace

QStringList storedRecentProjects()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QLatin1String(RecentOrganisation), QLatin1String(RecentApplication));
    return settings.value(QLatin1String(RecentProjectsKey)).toStringList();
}

void storeRecentProjects(const QStringList& paths)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       QLatin1String(RecentOrganisation), QLatin1String(RecentApplication));
    settings.setValue(QLatin1String(RecentProjectsKey), paths);
}

void MainWindow::fitToScreen()
{
    const QScreen* shownOn = screen();
    if (!shownOn) {
        return;
    }
    // The whole window with every control at its natural size, unless the screen is smaller:
    // then as much as the screen's free area holds, less room for the title bar and borders.
    QWidget* controls = m_scrollArea->widget();
    // The sizes count only once the style has seen every control.
    ensurePolished();
    controls->ensurePolished();
    QSize natural = controls->sizeHint().expandedTo(controls->minimumSizeHint()) +
                    QSize(0, menuBar()->sizeHint().height());
    const QSize room = shownOn->availableGeometry().size() - FrameAllowance;
    // A scroll bar in one direction takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (natural.width() > room.width()) {
        natural.rheight() += bar;
    }
    if (natural.height() > room.height()) {
        natural.rwidth() += bar;
    }
    resize(natural.boundedTo(room));
}

std::unique_ptr<MainWindow> startMainWindow(Session& session, Dialogs& dialogs, System& system)
{
    if (!startUp(session, dialogs)) {
        return nullptr;
    }
    auto window = std::make_unique<MainWindow>(session, dialogs, system);
    const QString icon =
        pathToQString(session.gstrResourcePath) + QStringLiteral("OVN_K310_HB612.ico");
    if (QFileInfo::exists(icon)) {
        // For the message boxes and the other windows as well.
        QApplication::setWindowIcon(QIcon(icon));
        window->setWindowIcon(QIcon(icon));
    }
    window->fitToScreen();
    window->show();
    return window;
}

} // namespace quillon

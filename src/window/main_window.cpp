#include "window/main_window.h"

#include "back/back_conversion.h"
#include "back/inspection.h"
#include "forward/forward_run.h"
#include "shell/inspection.h"
#include "shell/progress_label.h"
#include "shell/text_bytes.h"
#include "text/fields.h"
#include "window/control_help.h"
#include "window/dialogs.h"
#include "window/file_drop.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace vqd {

namespace {

// The file dialogs' filters: description and pattern pairs. Each description is shown as written
// here, the unclosed parenthesis of the result file's included.
const QString inputFilter =
    QStringLiteral("VQD File (*.vqd)|*.vqd|CVS File (*.csv)|*.csv|All files (*.*)|*.*");
const QString hierarchyFilter = QStringLiteral("Hierarchy files (*.hrc)|*.hrc|All files (*.*)|*.*");
const QString templateFilter = QStringLiteral("CSV File (*.csv)|*.csv|All files (*.*)|*.*");
const QString zavekOutputFilter =
    QStringLiteral("Zavek VQD output file (*.vqd)|*.vqd|All files (*.*)|*.*");
const QString resultFilter = QStringLiteral("CSV File (*.csv|*.csv|All files (*.*)|*.*");

// The client area at 96 dots per inch.
constexpr int clientWidth = 675;
constexpr int clientHeight = 628;

QString indexed(const char* name, std::size_t index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <class Widget> Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* label(const QString& name, const QString& text) {
    return named(new QLabel(text), name);
}

QPushButton* button(const QString& name, const QString& text) {
    return named(new QPushButton(text), name);
}

QPushButton* browseButton(const QString& name) {
    auto* browse = button(name, QStringLiteral("..."));
    browse->setFixedWidth(28);
    return browse;
}

QLineEdit* narrowBox(const QString& name) {
    auto* box = named(new QLineEdit, name);
    box->setFixedWidth(60);
    return box;
}

QGroupBox* frame(const QString& name, const QString& title = {}) {
    return named(new QGroupBox(title), name);
}

// A status line: pure blue in its own font, upright. Where that font is missing the desktop would
// pick a face like it, for Comic Sans MS often a script one; the desktop's own face, a plain
// sans-serif, comes next instead. (A generic "sans-serif" can end in a serif face on Windows.)
QLabel* statusLine(const QString& name, const QString& family, double points, bool bold) {
    auto* line = label(name, {});
    QFont font;
    font.setFamilies(
        {family, QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family()});
    font.setStyleHint(QFont::SansSerif);
    font.setStyle(QFont::StyleNormal);
    font.setPointSizeF(points);
    font.setBold(bold);
    line->setFont(font);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    line->setPalette(palette);
    line->setMinimumWidth(220);
    line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return line;
}

// The column a destination list names: the entry chosen, by position (equal names are different
// columns). A typed text chooses the first entry of exactly that text, as a column name given on
// the command line does; any other text leaves the choice as it was.
std::int32_t destinationChoice(const QComboBox& list) {
    const QString text = list.currentText();
    const int chosen = list.currentIndex();
    if (chosen >= 0 && list.itemText(chosen) == text) return chosen;
    const int typed = list.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return typed >= 0 ? typed : chosen;
}

// The status line above the go and ready buttons, at the right of a page.
QVBoxLayout* statusAndButtons(QLabel* status, QPushButton* go, QPushButton* ready) {
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch();
    buttons->addWidget(go);
    buttons->addWidget(ready);
    auto* column = new QVBoxLayout;
    column->addStretch();
    column->addWidget(status);
    column->addLayout(buttons);
    return column;
}

// One label holds the column titles of the variable rows, padded apart with blanks so that each
// stands over its column; `offsets` are the columns' distances from the label's left edge.
QString paddedTitles(const QFontMetrics& metrics, const QStringList& titles,
                     const std::vector<int>& offsets) {
    QString text;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        if (i > 0) text += QLatin1Char(' ');
        while (metrics.horizontalAdvance(text + QLatin1Char(' ')) <= offsets[std::size_t(i)])
            text += QLatin1Char(' ');
        text += titles[i];
    }
    return text;
}

} // namespace

VQD2ZavekMain::VQD2ZavekMain(Dialogs& dialogs, Settings& settings, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), shell_(*this, c_, dialogs, settings) {
    setObjectName(QStringLiteral("VQD2ZavekMain"));
    setupWindow();
    explainControls(*this);
    connectHandlers();
    shell_.startUp();
}

void VQD2ZavekMain::setupWindow() {
    // Closed rows, lists and labels keep what they show readable on their grey: #5A5A5A has a
    // contrast of 6:1 on the styles' #F0F0F0 (relative luminances 0.102 and 0.871). A closed
    // button keeps the style's paler look: it holds no data.
    QPalette readable = palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text})
        readable.setColor(QPalette::Disabled, role, QColor(0x5A, 0x5A, 0x5A));
    setPalette(readable);

    const double scale = screen() ? screen()->logicalDotsPerInch() / 96.0 : 1.0;
    const QSize client(static_cast<int>(std::lround(clientWidth * scale)),
                       static_cast<int>(std::lround(clientHeight * scale)));
    auto* body = named(new QWidget, QStringLiteral("body"));
    body->setFixedSize(client);
    // On a screen too small for it (a laptop scaled to 150 or 200 percent) the window keeps to
    // the screen, title bar and borders included, and scrolls.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(body);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroller);
    QSize window = client;
    if (const QScreen* shown = screen()) {
        const QSize room = shown->availableGeometry().size() - QSize(16, 48);
        // A scroll bar across takes height, one down takes width.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (client.width() > room.width()) window.rheight() += bar;
        if (client.height() > room.height()) window.rwidth() += bar;
        window = window.boundedTo(room);
    }
    setFixedSize(window);

    // Tab walks the controls in the order they are made: each page as it reads, its frame top to
    // bottom, then the variable rows or the destination lists below it.
    VQDTab1_ = named(new QTabWidget, QStringLiteral("VQDTab1"));
    auto* page1 = new QWidget;
    auto* page2 = new QWidget;
    setupPage1(page1);
    setupPage2(page2);
    VQDTab1_->addTab(page1, QStringLiteral("VQD > ZAVEK"));
    VQDTab1_->addTab(page2, QStringLiteral("ZAVEK > VQD"));

    setupFrmHier();
    setupFrmOutput();
    // The two companion frames share one place below the tabs; only the page's own is shown.
    auto* companions = new QGridLayout;
    companions->setContentsMargins(0, 0, 0, 0);
    companions->addWidget(frmHier_, 0, 0);
    companions->addWidget(frmOutput_, 0, 0);
    frmOutput_->hide();

    auto* layout = new QVBoxLayout(body);
    layout->addWidget(VQDTab1_);
    layout->addLayout(companions);
    layout->addStretch();
}

void VQD2ZavekMain::setupPage1(QWidget* page) {
    auto* frmVQD2ZAVEK = frame(QStringLiteral("frmVQD2ZAVEK"));
    auto* grid = new QGridLayout(frmVQD2ZAVEK);
    grid->setVerticalSpacing(4);
    grid->setHorizontalSpacing(12);

    c_.txtVQDFileName = named(new QLineEdit, QStringLiteral("txtVQDFileName"));
    cmdZoekVQDFile_ = browseButton(QStringLiteral("cmdZoekVQDFile"));
    grid->addWidget(label(QStringLiteral("Label1"), QStringLiteral("The VQD input file")), 0, 0, 1,
                    3);
    grid->addWidget(c_.txtVQDFileName, 1, 0, 1, 3);
    grid->addWidget(cmdZoekVQDFile_, 1, 3);

    for (std::size_t k = 0; k < c_.txtPerc.size(); ++k)
        c_.txtPerc[k] = narrowBox(indexed("txtPerc", k));
    c_.txtPerc[0]->setText(QStringLiteral("10"));
    c_.txtPerc[1]->setText(QStringLiteral("90"));
    c_.txtPerc[2]->setText(QStringLiteral("80"));
    c_.txtSep = narrowBox(QStringLiteral("txtSep"));
    c_.txtSep->setText(QStringLiteral(";"));
    c_.txtDim = narrowBox(QStringLiteral("txtDim"));
    c_.chkVarNamesInFirst = named(new QCheckBox, QStringLiteral("chkVarNamesInFirst"));

    const std::pair<QLabel*, QWidget*> parameters[] = {
        {label(QStringLiteral("lblFreq"), QStringLiteral("Frequency protection percentage")),
         c_.txtPerc[0]},
        {label(QStringLiteral("lblB"), QStringLiteral("Dom Percentage B-Flag")), c_.txtPerc[1]},
        {label(QStringLiteral("lblC"), QStringLiteral("Dom Percentage C-Flag")), c_.txtPerc[2]},
        {label(QStringLiteral("lblSep"), QStringLiteral("Separator")), c_.txtSep},
        {label(QStringLiteral("lblDim"), QStringLiteral("Dimension")), c_.txtDim},
        {label(QStringLiteral("lblMetaFirst"), QStringLiteral("Var. names on first line")),
         c_.chkVarNamesInFirst},
    };
    int row = 2;
    for (const auto& [caption, box] : parameters) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1, Qt::AlignLeft);
        ++row;
    }

    c_.lblVerslag =
        statusLine(QStringLiteral("lblVerslag"), QStringLiteral("Comic Sans MS"), 9, true);
    c_.cmdGo = button(QStringLiteral("cmdGo"), QStringLiteral("&Go"));
    cmdEnd_ = button(QStringLiteral("cmdEnd"), QStringLiteral("&Ready"));
    grid->addLayout(statusAndButtons(c_.lblVerslag, c_.cmdGo, cmdEnd_), 2, 2, row - 2, 2);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frmVQD2ZAVEK);
}

void VQD2ZavekMain::setupPage2(QWidget* page) {
    auto* Frmterug = frame(QStringLiteral("Frmterug"));
    auto* grid = new QGridLayout(Frmterug);
    grid->setVerticalSpacing(4);

    c_.txtVQDTemplateFile = named(new QLineEdit, QStringLiteral("txtVQDTemplateFile"));
    c_.txtZavekOutputFile = named(new QLineEdit, QStringLiteral("txtZavekOutputFile"));
    c_.txtResultFile = named(new QLineEdit, QStringLiteral("txtResultFile"));
    cmdVQDfile_ = browseButton(QStringLiteral("cmdVQDfile"));
    cmdZoekZavekOutput_ = browseButton(QStringLiteral("cmdZoekZavekOutput"));
    cmdZoekResult_ = browseButton(QStringLiteral("cmdZoekResult"));
    const std::tuple<QLabel*, QLineEdit*, QPushButton*> files[] = {
        {label(QStringLiteral("lblVQD"), QStringLiteral("VQD template file")),
         c_.txtVQDTemplateFile, cmdVQDfile_},
        {label(QStringLiteral("lblZavekOut"), QStringLiteral("Zavek VQD-output file")),
         c_.txtZavekOutputFile, cmdZoekZavekOutput_},
        {label(QStringLiteral("LbLResult"), QStringLiteral("VQD output file")), c_.txtResultFile,
         cmdZoekResult_},
    };
    int row = 0;
    for (const auto& [heading, box, browse] : files) {
        grid->addWidget(heading, row, 0, 1, 2);
        grid->addWidget(box, row + 1, 0);
        grid->addWidget(browse, row + 1, 1);
        row += 2;
    }

    c_.lblProgress =
        statusLine(QStringLiteral("lblProgress"), QStringLiteral("Arial"), 11.25, false);
    c_.cmdGo2 = button(QStringLiteral("cmdGo2"), QStringLiteral("Go"));
    cmdReady2_ = button(QStringLiteral("cmdReady2"), QStringLiteral("Ready"));
    grid->addLayout(statusAndButtons(c_.lblProgress, c_.cmdGo2, cmdReady2_), row, 0, 1, 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frmterug);
}

void VQD2ZavekMain::setupFrmHier() {
    frmHier_ = frame(QStringLiteral("frmHier"));
    auto* grid = new QGridLayout(frmHier_);
    constexpr int spacing = 6;
    grid->setHorizontalSpacing(spacing);
    grid->setVerticalSpacing(6);

    // Columns: row number, name, hierarchy box, hierarchy file (levels below it), "...", total.
    const QFontMetrics metrics(font());
    const QStringList titles = {QStringLiteral("Var Name"), QStringLiteral("Hierarch"),
                                QStringLiteral("Hierarch. Structure file"),
                                QStringLiteral("Total code")};
    const int numberWidth = 14;
    const int nameWidth = 120;
    const int checkWidth = std::max(24, metrics.horizontalAdvance(titles[1]) + spacing);
    const int fileWidth = 250;
    const int browseWidth = 28;
    const int totalWidth = std::max(100, metrics.horizontalAdvance(titles[3]) + spacing);

    for (std::size_t i = 0; i < c_.rows.size(); ++i) {
        VariableRowControls& row = c_.rows[i];
        row.txtVarName = named(new QLineEdit, indexed("txtVarName", i));
        row.chkHierch = named(new QCheckBox, indexed("chkHierch", i));
        row.txtHierFile = named(new QLineEdit, indexed("txtHierFile", i));
        row.cmdZoekHrc = browseButton(indexed("cmdZoekHrc", i));
        row.txtTotCode = named(new QLineEdit, indexed("txtTotCode", i));
        row.chkLevels = named(new QCheckBox, indexed("chkLevels", i));
        row.txtlevels = named(new QLineEdit, indexed("txtlevels", i));
        row.txtleadString = named(new QLineEdit(frmHier_), indexed("txtleadString", i));
        row.txtleadString->hide();
        row.txtleadString->setEnabled(false);
        row.txtlevels->setEnabled(false);

        auto* number = label(indexed("lblVArNo", i), QString::number(i + 1));
        number->setFixedWidth(numberWidth);
        row.txtVarName->setFixedWidth(nameWidth);
        row.txtHierFile->setFixedWidth(fileWidth);
        row.txtlevels->setFixedWidth(fileWidth);
        row.txtTotCode->setFixedWidth(totalWidth);

        const int line = 2 + 2 * static_cast<int>(i);
        grid->addWidget(number, line, 0);
        grid->addWidget(row.txtVarName, line, 1);
        grid->addWidget(row.chkHierch, line, 2, Qt::AlignLeft);
        grid->addWidget(row.txtHierFile, line, 3);
        grid->addWidget(row.cmdZoekHrc, line, 4);
        grid->addWidget(row.txtTotCode, line, 5);
        grid->addWidget(row.chkLevels, line + 1, 2, Qt::AlignLeft);
        grid->addWidget(row.txtlevels, line + 1, 3);
    }

    const std::vector<int> offsets = {0, nameWidth + spacing, nameWidth + checkWidth + 2 * spacing,
                                      nameWidth + checkWidth + fileWidth + browseWidth +
                                          4 * spacing};
    auto* lblVariabelen =
        label(QStringLiteral("lblVariabelen"), paddedTitles(metrics, titles, offsets));
    lblVariabelen->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(lblVariabelen, 0, 1, 1, 5);
    grid->addWidget(label(QStringLiteral("LblLevelsFromFile"), QStringLiteral("LevelsFromCode")), 1,
                    3);
    grid->setColumnMinimumWidth(2, checkWidth);
    grid->setColumnStretch(6, 1);
}

void VQD2ZavekMain::setupFrmOutput() {
    frmOutput_ = frame(QStringLiteral("frmOutput"), QStringLiteral(" ZAVEK > VQD"));
    auto* grid = new QGridLayout(frmOutput_);
    grid->setVerticalSpacing(4);
    grid->addWidget(label(QStringLiteral("lblDestinatiom"), QStringLiteral("Destination Columns")),
                    0, 0, 1, 5);
    const QString captions[] = {
        QStringLiteral("Cell Value"),           QStringLiteral("Cell Frequency"),
        QStringLiteral("Cell Status"),          QStringLiteral("Cell Dom Percentage"),
        QStringLiteral("Cell Top2 Percentage"), QStringLiteral("Expl. Var 1"),
        QStringLiteral("Expl. Var 2"),          QStringLiteral("Expl. Var 3"),
        QStringLiteral("Expl. Var 4")};
    for (std::size_t k = 0; k < cmbVars_.size(); ++k) {
        lblDesination_[k] = label(indexed("lblDesination", k), captions[k]);
        cmbVars_[k] = named(new QComboBox, indexed("cmbVars", k));
        cmbVars_[k]->setEditable(true);
        // The entries are "none" and the template's columns; typing never adds one.
        cmbVars_[k]->setInsertPolicy(QComboBox::NoInsert);
        // Column names are matched as written: typing "Status" never completes to "status".
        cmbVars_[k]->completer()->setCaseSensitivity(Qt::CaseSensitive);
        // Text that names no column goes when the list is left: the list shows its choice.
        connect(cmbVars_[k]->lineEdit(), &QLineEdit::editingFinished, cmbVars_[k],
                [list = cmbVars_[k]] {
                    list->setCurrentIndex(destinationChoice(*list));
                    list->setEditText(list->itemText(list->currentIndex()));
                });
        cmbVars_[k]->setMinimumWidth(160);
        // Cell fields on the left, the explanatory variables on the right.
        const bool left = k < 5;
        const int line = 1 + static_cast<int>(left ? k : k - 5);
        grid->addWidget(lblDesination_[k], line, left ? 0 : 3);
        grid->addWidget(cmbVars_[k], line, left ? 1 : 4);
    }
    grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(5, 1);
}

void VQD2ZavekMain::connectHandlers() {
    connect(c_.txtVQDFileName, &QLineEdit::textChanged, this, [this] { txtVQDFileName_Change(); });
    connect(c_.txtDim, &QLineEdit::textChanged, this, [this] { txtDimOrSep_Change(); });
    connect(c_.txtSep, &QLineEdit::textChanged, this, [this] { txtDimOrSep_Change(); });
    connect(c_.chkVarNamesInFirst, &QCheckBox::clicked, this,
            [this] { chkVarNamesInFirst_Click(); });
    for (std::size_t i = 0; i < c_.rows.size(); ++i) {
        connect(c_.rows[i].chkHierch, &QCheckBox::clicked, this, [this] { chkHierarchy_Click(); });
        connect(c_.rows[i].chkLevels, &QCheckBox::clicked, this, [this] { chkHierarchy_Click(); });
        connect(c_.rows[i].cmdZoekHrc, &QPushButton::clicked, this,
                [this, i] { cmdZoekHrc_Click(i); });
    }
    connect(VQDTab1_, &QTabWidget::currentChanged, this, [this] { VQDTab1_Click(); });
    // The other page from anywhere in the window, not only from the tab bar.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
          QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_PageUp)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this] { VQDTab1_->setCurrentIndex(1 - VQDTab1_->currentIndex()); });
    }
    connect(c_.cmdGo, &QPushButton::clicked, this, [this] { cmdGo_Click(); });
    connect(cmdEnd_, &QPushButton::clicked, this, [this] { shell_.EINDE(); });
    connect(cmdZoekVQDFile_, &QPushButton::clicked, this, [this] { cmdZoekVQDFile_Click(); });

    connect(c_.txtVQDTemplateFile, &QLineEdit::textChanged, this,
            [this] { txtVQDTemplateFile_Change(); });
    connect(c_.txtZavekOutputFile, &QLineEdit::textChanged, this,
            [this] { txtZavekOutputFile_Change(); });
    connect(c_.txtResultFile, &QLineEdit::textChanged, this, [this] { txtResultFile_Change(); });
    connect(c_.cmdGo2, &QPushButton::clicked, this, [this] { cmdGo2_Click(); });
    connect(cmdReady2_, &QPushButton::clicked, this, [this] { shell_.EINDE(); });
    connect(cmdVQDfile_, &QPushButton::clicked, this, [this] { cmdVQDfile_Click(); });
    connect(cmdZoekZavekOutput_, &QPushButton::clicked, this,
            [this] { cmdZoekZavekOutput_Click(); });
    connect(cmdZoekResult_, &QPushButton::clicked, this, [this] { cmdZoekResult_Click(); });
    acceptDroppedFiles();
}

// A dropped file goes where that box's dialog would have put it, under the same conditions.
void VQD2ZavekMain::acceptDroppedFiles() {
    acceptFileDrops(c_.txtVQDFileName, [this](const QString& path) {
        if (takeChosenFile(c_.txtVQDFileName, path, MustExist::Yes)) inputFileChosen();
    });
    for (VariableRowControls& row : c_.rows) {
        acceptFileDrops(row.txtHierFile, [this, box = row.txtHierFile](const QString& path) {
            takeChosenFile(box, path, MustExist::No);
        });
    }
    const std::pair<QLineEdit*, MustExist> page2[] = {{c_.txtVQDTemplateFile, MustExist::Yes},
                                                      {c_.txtZavekOutputFile, MustExist::Yes},
                                                      {c_.txtResultFile, MustExist::No}};
    for (const auto& [box, mustExist] : page2) {
        acceptFileDrops(box, [this, box = box, mustExist = mustExist](const QString& path) {
            takeChosenFile(box, path, mustExist);
        });
    }
}

void VQD2ZavekMain::closeEvent(QCloseEvent* event) {
    shell_.EINDE();
    event->accept();
}

void VQD2ZavekMain::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Enter presses the button that has the focus, as on any form; elsewhere the default button.
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); enter && focused) {
        focused->click();
        return;
    }
    if (enter && c_.cmdGo->isDefault() && c_.cmdGo->isEnabled() && c_.cmdGo->isVisibleTo(this)) {
        c_.cmdGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void VQD2ZavekMain::txtVQDFileName_Change() {
    // The rows catch up with the new dimension at the next rule that enables them.
    shell_.OrganiseSize();
}

void VQD2ZavekMain::txtDimOrSep_Change() {
    shell_.OrganiseSize();
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::chkVarNamesInFirst_Click() {
    shell_.OrganiseSize();
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::chkHierarchy_Click() {
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::VQDTab1_Click() {
    const bool forward = VQDTab1_->currentIndex() == 0;
    shell_.state().ForwardPageActive = forward;
    frmHier_->setVisible(forward);
    frmOutput_->setVisible(!forward);
    if (!forward) {
        c_.lblProgress->clear();
        c_.lblProgress->repaint();
    }
    shell_.OrganiseSize();
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::cmdGo_Click() {
    ProgressLabel progress(c_.lblVerslag);
    progress.showText({});

    const ShellState& state = shell_.state();
    ForwardPageValues page;
    page.txtVQDFileName = pathOf(c_.txtVQDFileName->text());
    page.chkVarNamesInFirst = c_.chkVarNamesInFirst->isChecked();
    page.VarCount = state.VarCount;
    page.FieldSeparator = state.FieldSeparator;
    for (std::size_t k = 0; k < page.txtPerc.size(); ++k)
        page.txtPerc[k] = bytesOf(c_.txtPerc[k]->text());
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        const VariableRowControls& controls = c_.rows[i];
        VariableSpec& row = page.rows[i];
        row.VarName = bytesOf(controls.txtVarName->text());
        row.HierCodeList = controls.chkHierch->isChecked();
        row.HierFile = pathOf(controls.txtHierFile->text());
        row.LeadString = bytesOf(controls.txtleadString->text());
        row.HierLevels = controls.chkLevels->isChecked();
        row.LevelsSpec = bytesOf(controls.txtlevels->text());
        row.TotCode = bytesOf(controls.txtTotCode->text());
    }

    ForwardRunOptions options;
    options.progress = [&progress](std::int64_t count) { progress.showCount(count); };
    // The final count stands before any note is read.
    options.counted = [&progress](std::int64_t count) { progress.showFinalCount(count); };
    // A lead string shows at once, also when a later check refuses the run.
    options.leadStringFound = [this](std::size_t row, const std::string& leadString) {
        c_.rows[row].txtleadString->setText(textOf(leadString));
    };
    // A stopped conversion has said why in its message; the line does not claim it is done.
    if (!runForwardConversion(page, dialogs_, options).completed) progress.showText({});
}

void VQD2ZavekMain::cmdGo2_Click() {
    const auto showStatus = [this](const QString& text) {
        c_.lblProgress->setText(text);
        c_.lblProgress->repaint();
    };
    showStatus(QStringLiteral("processing"));
    BackConversionRequest request;
    request.TemplateFile = pathOf(c_.txtVQDTemplateFile->text());
    request.ZavekOutputFile = pathOf(c_.txtZavekOutputFile->text());
    request.ResultFile = pathOf(c_.txtResultFile->text());
    for (std::size_t k = 0; k < cmbVars_.size(); ++k)
        request.Columns[k] = destinationChoice(*cmbVars_[k]);
    BackConversionOptions options;
    options.finished = [&showStatus] { showStatus(QStringLiteral("ready")); };
    // A stopped conversion has said why in its message; the line does not claim it is ready.
    if (!ConvertBack(request, dialogs_, options).completed) showStatus(QString());
}

void VQD2ZavekMain::txtVQDTemplateFile_Change() {
    const QString name = c_.txtVQDTemplateFile->text();
    // A name still being typed is no template yet: the choices made so far stay.
    if (trimBlanks(bytesOf(name)).empty() || !FileExist(pathOf(name))) return;
    // The header is split with the template's own separator, handed to the splitter as a value:
    // FieldSeparator keeps the separator of page 1.
    const auto header = templateHeader(pathOf(name), dialogs_);
    QStringList items{QStringLiteral("none")};
    // A template without a decided separator, or unreadable, offers no columns.
    if (header) {
        for (const std::string_view field : header->fields())
            items << textOf(field);
    }
    // Columns by position: equal names and empty names stay items of their own.
    for (QComboBox* list : cmbVars_) {
        list->clear();
        list->addItems(items);
        list->setCurrentIndex(0);
    }
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::txtZavekOutputFile_Change() {
    std::int32_t v = 0;
    const std::string path = pathOf(c_.txtZavekOutputFile->text());
    if (FileExist(path)) v = zavekVariableCount(path, dialogs_).value_or(0);
    shell_.OrganiseEnable();
    // Destination of explanatory variable k opens for k <= v; a closed one keeps its choice.
    for (std::size_t i = ExplVar1; i <= ExplVar4; ++i) {
        const auto k = static_cast<std::int32_t>(i - ExplVar1 + 1);
        lblDesination_[i]->setEnabled(k <= v);
        cmbVars_[i]->setEnabled(lblDesination_[i]->isEnabled());
    }
}

void VQD2ZavekMain::txtResultFile_Change() {
    shell_.OrganiseEnable();
}

bool VQD2ZavekMain::chooseFileFor(QLineEdit* box, const QString& filter,
                                  std::optional<std::int32_t> filterIndex, MustExist mustExist) {
    CommonDialog1_.Filter = filter;
    CommonDialog1_.FileName = box->text();
    // Without an index of its own the dialog opens with the one its previous use ended on.
    if (filterIndex) CommonDialog1_.FilterIndex = *filterIndex;
    CommonDialog1_.ShowOpen(dialogs_);
    return takeChosenFile(box, CommonDialog1_.FileName, mustExist);
}

bool VQD2ZavekMain::takeChosenFile(QLineEdit* box, const QString& name, MustExist mustExist) {
    // A name typed into the dialog that names no file is dropped without a word.
    if (name.isEmpty() || (mustExist == MustExist::Yes && !FileExist(pathOf(name)))) return false;
    // Setting the text runs the box's own change handling; the same text again runs nothing. Qt
    // gives names with '/'; a Windows user reads and types them with '\'.
    box->setText(QDir::toNativeSeparators(name));
    return true;
}

// The input file's name alone runs only OrganiseSize; a chosen file also opens its rows.
void VQD2ZavekMain::inputFileChosen() {
    shell_.OrganiseSize();
    shell_.OrganiseEnable();
}

void VQD2ZavekMain::cmdZoekVQDFile_Click() {
    if (!chooseFileFor(c_.txtVQDFileName, inputFilter, shell_.state().FilterIndex, MustExist::Yes))
        return;
    inputFileChosen();
    // Only the input file's dialog remembers its filter, also for the next run.
    shell_.state().FilterIndex = CommonDialog1_.FilterIndex;
}

void VQD2ZavekMain::cmdZoekHrc_Click(std::size_t index) {
    chooseFileFor(c_.rows[index].txtHierFile, hierarchyFilter, 1, MustExist::No);
}

void VQD2ZavekMain::cmdVQDfile_Click() {
    chooseFileFor(c_.txtVQDTemplateFile, templateFilter, std::nullopt, MustExist::Yes);
}

void VQD2ZavekMain::cmdZoekZavekOutput_Click() {
    chooseFileFor(c_.txtZavekOutputFile, zavekOutputFilter, std::nullopt, MustExist::Yes);
}

void VQD2ZavekMain::cmdZoekResult_Click() {
    chooseFileFor(c_.txtResultFile, resultFilter, 1, MustExist::No);
}

} // namespace vqd

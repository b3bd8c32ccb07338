#include "window/control_help.h"

#include <QStringList>
#include <QWidget>

namespace vqd {

namespace {

struct ControlHelp {
    QStringList names; // the control and the captions that name it
    QString text;      // paragraphs separated by "\n"
};

// Rich text, so that a long tip is wrapped instead of running across the screen.
QString tooltip(const QString& text) {
    return QStringLiteral("<p>") + text.toHtmlEscaped().replace(QLatin1Char('\n'), "</p><p>") +
           QStringLiteral("</p>");
}

const QString fileHint =
    QStringLiteral("Type the path, drop the file here, or choose it with the button at the right.");

QList<ControlHelp> forwardPage() {
    return {
        {{"txtVQDFileName", "Label1"},
         "The VQD cell file to convert: one line per cell with its codes, value, frequency, status "
         "flag and dominance percentage.\nThe four ZAVEK input files are written beside it, named "
         "after it with .rda, .tab, .hst and .log added.\n" +
             fileHint},
        {{"cmdZoekVQDFile"}, "Choose the VQD input file."},
        {{"txtPerc(0)", "lblFreq"},
         "Protection level of a cell flagged A, in percent of its value. Also used for a B or C "
         "cell whose dominance percentage is below the one set for its flag.\nA number with a "
         "point as decimal sign, e.g. 12.5. Remembered for the next start."},
        {{"txtPerc(1)", "lblB"},
         "Dominance percentage for cells flagged B: their protection level is the value times the "
         "cell's dominance divided by this percentage, less the value.\nMust not be 0. "
         "Remembered for the next start."},
        {{"txtPerc(2)", "lblC"},
         "Dominance percentage for cells flagged C, used as the one for B.\nMust not be 0. "
         "Remembered for the next start."},
        {{"txtSep", "lblSep"},
         "The character between the fields of the input file; the ZAVEK files use it too. Type "
         "TAB for a tab.\nRemembered for the next start."},
        {{"txtDim", "lblDim"},
         "The number of explanatory variables, 0 to 4: the code fields at the start of each "
         "line. As many variable rows open below.\nGo becomes available once the input file and "
         "the dimension are given."},
        {{"chkVarNamesInFirst", "lblMetaFirst"},
         "Tick when the input file's first line holds the column names: that line is not "
         "converted, and the variables' names are taken from it."},
        {{"cmdGo"},
         "Convert the VQD input file into the ZAVEK input files (Enter or Alt+G).\nWhen a value "
         "is missing or wrong, a box says which and no file is written or replaced."},
        {{"cmdEnd"},
         "Save the separator, the percentages and the file filter, and close the program "
         "(Alt+R)."},
        {{"lblVerslag"}, "The number of records the last conversion processed."},
        {{"lblVariabelen"},
         "One row per explanatory variable: its name, whether it is hierarchical by a code-list "
         "file and which, and the code of its total."},
        {{"LblLevelsFromFile"},
         "Tick LevelsFromCode when a variable's hierarchy is given by levels of its code, typed "
         "at the right."},
    };
}

// One block per explanatory variable; %1 is the variable's number.
QList<ControlHelp> variableRow() {
    return {
        {{"lblVArNo"}, "Explanatory variable %1: code field %1 of each line of the input file."},
        {{"txtVarName"}, "Name of explanatory variable %1 in the ZAVEK metadata."},
        {{"chkHierch"},
         "Tick when variable %1 is hierarchical by a hierarchy code-list file, named in the box "
         "at the right. Use either this or levels, not both."},
        {{"txtHierFile"},
         "The hierarchy code-list file of variable %1: one code per line, each level deeper "
         "marked by one more lead character, such as @ or +.\n" +
             fileHint},
        {{"cmdZoekHrc"}, "Choose the hierarchy code-list file of variable %1."},
        {{"txtTotCode"},
         "The code of variable %1's total, as it stands in the input file (letter case and "
         "blanks count)."},
        {{"chkLevels"},
         "Tick when the hierarchy of variable %1 is given by levels of its code, typed in the "
         "box at the right. Use either this or a code-list file, not both."},
        {{"txtlevels"},
         "The levels of variable %1: how many code characters each level adds, e.g. 1 2 2. "
         "Written to the metadata as typed."},
    };
}

QList<ControlHelp> backPage() {
    return {
        {{"lblProgress"}, "How the conversion goes: processing, then ready."},
        {{"lblDestinatiom"}, "For each field of a ZAVEK record, the template column it goes to."},
        {{"VQDTab1"},
         "VQD > ZAVEK prepares a table for protection by ZAVEK; ZAVEK > VQD brings the "
         "protected table back into the VQD layout."},
        {{"txtVQDTemplateFile", "lblVQD"},
         "A VQD file whose first line names the columns and whose second line is the model line "
         "that every output line starts from. Its columns are offered under Destination "
         "Columns.\n" +
             fileHint},
        {{"cmdVQDfile"}, "Choose the VQD template file."},
        {{"txtZavekOutputFile", "lblZavekOut"},
         "The comma-separated file that ZAVEK wrote after protecting the table. The Expl. Var "
         "lists open for as many explanatory variables as its records have.\n" +
             fileHint},
        {{"cmdZoekZavekOutput"}, "Choose the file that ZAVEK wrote."},
        {{"txtResultFile", "LbLResult"},
         "The VQD file to write: one line per ZAVEK record, in the template's layout. A file of "
         "that name is replaced only when the conversion succeeds.\n" +
             fileHint},
        {{"cmdZoekResult"}, "Choose where to write the VQD output file."},
        {{"cmdGo2"},
         "Merge the ZAVEK file into the template's layout and write the VQD output file. "
         "Available once all three files are named."},
        {{"cmdReady2"},
         "Save the separator, the percentages and the file filter, and close the program."},
    };
}

// The destination lists, in the order of their index.
const char* const destinationFields[] = {
    "the cell value",
    "the cell frequency",
    "the cell status",
    "the dominance percentage",
    "the top-2 percentage",
    "the code of explanatory variable 1",
    "the code of explanatory variable 2",
    "the code of explanatory variable 3",
    "the code of explanatory variable 4",
};

void setHelp(QWidget& window, const QStringList& names, const QString& text) {
    for (const QString& name : names) {
        if (auto* control = window.findChild<QWidget*>(name)) control->setToolTip(tooltip(text));
    }
}

} // namespace

void explainControls(QWidget& window) {
    for (const auto& page : {forwardPage(), backPage()}) {
        for (const ControlHelp& help : page)
            setHelp(window, help.names, help.text);
    }
    const QList<ControlHelp> row = variableRow();
    for (int i = 0; i < 4; ++i) {
        for (const ControlHelp& help : row) {
            const QString name = QStringLiteral("%1(%2)").arg(help.names.front()).arg(i);
            setHelp(window, {name}, help.text.arg(i + 1));
        }
    }
    for (int k = 0; k < 9; ++k) {
        setHelp(window,
                {QStringLiteral("cmbVars(%1)").arg(k), QStringLiteral("lblDesination(%1)").arg(k)},
                QStringLiteral("The template column that receives %1 of each ZAVEK record: "
                               "choose it, or type its name. Columns left at none keep the "
                               "model line's text; a typed name that is no column sends the "
                               "field nowhere.")
                    .arg(QLatin1String(destinationFields[k])));
    }
}

} // namespace vqd

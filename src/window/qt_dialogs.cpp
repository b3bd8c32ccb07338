#include "window/qt_dialogs.h"

#include "shell/text_bytes.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMessageBox>
#include <QStringList>
#include <QTreeView>
#include <algorithm>

namespace vqd {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, std::string_view text) {
    QMessageBox box(icon, QStringLiteral("VQD2Zavek"), {}, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    // The box wraps a long line itself, to its font and the screen: the text stays the message's.
    box.setText(textOf(text));
    box.exec();
}

// Qt reads a filter's patterns from the parentheses at the end of its text. Every description gets
// its pattern appended, and the dialog hides that again, so each description is shown exactly as
// it stands, also one that does not end with its pattern in parentheses.
struct NameFilters {
    QStringList filters;
    QStringList descriptions;
};

NameFilters nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    NameFilters result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Patterns are listed with ';' and read by Qt with blanks between them. "*.*" is every
        // file, also one without an extension.
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'));
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        }
        result.descriptions << parts[i];
        result.filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                              QLatin1Char(')');
    }
    return result;
}

// The size, type and date of a file stand whole beside its name, where the dialog's own widths
// would cut them ("768...tes", "CSV ...ment"). A type can be long on Windows: the list then
// scrolls across.
void showWholeDetails(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details) return;
    for (int column = 1; column <= 3; ++column)
        details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    const int letter = QFontMetrics(details->font()).averageCharWidth();
    details->header()->resizeSection(0, 32 * letter);
    dialog.resize(std::max(dialog.width(), 110 * letter), dialog.height());
}

} // namespace

void QtDialogs::critical(std::string_view text) {
    showBox(parent_, QMessageBox::Critical, text);
}

void QtDialogs::information(std::string_view text) {
    showBox(parent_, QMessageBox::Information, text);
}

FileChoice QtDialogs::chooseFile(const QString& filter, const QString& fileName,
                                 std::int32_t filterIndex) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A platform's own dialog may show a description cut at its first parenthesis.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const NameFilters filters = nameFilters(filter);
    dialog.setNameFilters(filters.filters);
    // An index beyond the pairs preselects the first.
    if (filterIndex >= 1 && filterIndex <= filters.filters.size())
        dialog.selectNameFilter(filters.filters[filterIndex - 1]);
    dialog.selectFile(fileName);
    showWholeDetails(dialog);
    if (dialog.exec() != QDialog::Accepted) return {fileName, filterIndex};
    // The dialog names the selected filter by what it shows.
    const QString selected = dialog.selectedNameFilter();
    auto chosen = filters.descriptions.indexOf(selected);
    if (chosen < 0) chosen = filters.filters.indexOf(selected);
    return {dialog.selectedFiles().value(0),
            chosen >= 0 ? static_cast<std::int32_t>(chosen + 1) : filterIndex};
}

} // namespace vqd

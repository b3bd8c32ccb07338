#include "window/qt_dialogs.h"

#include "shell/text_bytes.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QStringList>

namespace vqd {

namespace {

// The width of a message line. A box wraps its text itself beyond about half the screen, or 500
// pixels, icon and margins included; lines this wide stay as they are on any screen from 800
// pixels up.
constexpr int messageLineWidth = 320;

// `text` with its lines broken at blanks only, none wider than `width` unless one word alone is.
// Left to itself the box fills each line and breaks a path after any of its slashes. What follows
// the last ": " of a line, mostly a path, is kept whole where it fits on a line.
QString brokenAtBlanks(const QString& text, const QFontMetrics& metrics, int width) {
    const auto fits = [&](const QString& line) { return metrics.horizontalAdvance(line) <= width; };
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        const auto colon = paragraph.lastIndexOf(QStringLiteral(": "));
        QStringList units =
            paragraph.left(colon < 0 ? paragraph.size() : colon + 1).split(QLatin1Char(' '));
        if (colon >= 0) {
            const QString value = paragraph.mid(colon + 2);
            if (fits(value)) {
                units << value;
            } else {
                units += value.split(QLatin1Char(' '));
            }
        }
        QString line = units.front();
        for (qsizetype i = 1; i < units.size(); ++i) {
            const QString longer = line + QLatin1Char(' ') + units[i];
            if (!line.isEmpty() && !fits(longer)) {
                lines << line;
                line = units[i];
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void showBox(QWidget* parent, QMessageBox::Icon icon, std::string_view text) {
    QMessageBox box(icon, QStringLiteral("VQD2Zavek"), {}, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(brokenAtBlanks(textOf(text), QFontMetrics(box.font()), messageLineWidth));
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
    if (dialog.exec() != QDialog::Accepted) return {fileName, filterIndex};
    // The dialog names the selected filter by what it shows.
    const QString selected = dialog.selectedNameFilter();
    auto chosen = filters.descriptions.indexOf(selected);
    if (chosen < 0) chosen = filters.filters.indexOf(selected);
    return {dialog.selectedFiles().value(0),
            chosen >= 0 ? static_cast<std::int32_t>(chosen + 1) : filterIndex};
}

} // namespace vqd

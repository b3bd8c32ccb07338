#include "window/qt_dialogs.h"

#include "shell/text_bytes.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vqd {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, std::string_view text) {
    QMessageBox box(icon, QStringLiteral("VQD2Zavek"), textOf(text), QMessageBox::Ok, parent);
    box.exec();
}

// Qt reads a filter's patterns from the parentheses at the end of its description; a description
// that does not end with its pattern gets it appended.
QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        const QString ending = QLatin1Char('(') + pattern + QLatin1Char(')');
        filters << (description.endsWith(ending) ? description
                                                 : description + QLatin1Char(' ') + ending);
    }
    return filters;
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
    const QStringList filters = nameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted) return {fileName, filterIndex};
    const auto chosenFilter = filters.indexOf(dialog.selectedNameFilter());
    return {dialog.selectedFiles().value(0),
            chosenFilter >= 0 ? static_cast<std::int32_t>(chosenFilter + 1) : filterIndex};
}

} // namespace vqd

#include "shell/settings.h"

#include "shell/text_bytes.h"
#include "text/numbers.h"

#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <cstdio>

namespace vqd {

namespace {

const QString applicationName = QStringLiteral("VQD2Zavek");

// A store saved by an editor in another encoding (Windows' ANSI, say) is malformed too: its
// texts would come back as replacement characters, neither the user's nor the defaults.
bool isUtf8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return true; // absent: every key has its default
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8(file.readAll());
    return !utf8.hasError();
}

} // namespace

// Keys at the top level of the store land in its "General" section.
Settings::Settings()
    : store_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                         applicationName, applicationName)) {}

Settings::Settings(const QString& folder)
    : store_(std::make_unique<QSettings>(folder + "/" + applicationName + ".conf",
                                         QSettings::IniFormat)) {}

Settings::~Settings() = default;

QString Settings::fileName() const {
    return store_->fileName();
}

SettingsValues Settings::load() {
    const auto text = [this](const char* key, const QString& absent) {
        return store_->value(key, absent).toString();
    };
    SettingsValues values;
    // Only digits are ever stored here; anything else, or nothing, is no filter: the first.
    const auto filter = wholeNumberClamped32(numericValue(bytesOf(text(keyFilterIndex, {}))));
    values.FilterIndex = filter == 1 || filter == 2 ? filter : values.FilterIndex;
    values.SEP = text(keySep, values.SEP);
    values.DOM1 = text(keyDom1, values.DOM1);
    values.DOM2 = text(keyDom2, values.DOM2);
    values.FREQ = text(keyFreq, values.FREQ);
    // The store is read at the first look-up; only then does it know whether it could be.
    if (store_->status() != QSettings::NoError || !isUtf8(store_->fileName())) return {};
    return values;
}

void Settings::save(const SettingsValues& values) {
    store_->setValue(keyFilterIndex, QString::number(values.FilterIndex));
    store_->setValue(keySep, values.SEP);
    store_->setValue(keyDom1, values.DOM1);
    store_->setValue(keyDom2, values.DOM2);
    store_->setValue(keyFreq, values.FREQ);
    store_->sync();
    // The status keeps the first error met, a malformed store read at start-up included.
    const bool failed = store_->status() == QSettings::AccessError || !store_->isWritable();
    if (failed && !writeFailureReported_) {
        writeFailureReported_ = true;
        const auto message =
            "vqd2zavek: cannot write the settings to " + pathOf(store_->fileName()) + "\n";
        std::fputs(message.c_str(), stderr);
    }
}

} // namespace vqd

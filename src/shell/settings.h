#pragma once
// The per-user settings store: the separator, the three percentages and the input-file filter,
// kept between runs.

#include <QString>
#include <cstdint>
#include <memory>

class QSettings;

namespace vqd {

struct SettingsValues {
    std::int32_t FilterIndex = 1;
    QString SEP = ";";
    QString DOM1 = "90"; // txtPerc(1)
    QString DOM2 = "80"; // txtPerc(2)
    QString FREQ = "10"; // txtPerc(0)
};

class Settings {
public:
    static constexpr const char* keyFilterIndex = "FILTERINDEX";
    static constexpr const char* keySep = "SEP";
    static constexpr const char* keyDom1 = "DOM1";
    static constexpr const char* keyDom2 = "DOM2";
    static constexpr const char* keyFreq = "FREQ";

    // The user's own store of application "VQD2Zavek".
    Settings();
    // A store in `folder`, for tests.
    explicit Settings(const QString& folder);
    ~Settings();

    // The stored values; an absent key gives its default, and an unreadable or malformed store
    // gives all defaults. A FILTERINDEX other than 1 or 2 gives 1.
    SettingsValues load();

    // Stores the values as they are, without checking them. A store that cannot be written is
    // reported once on standard error.
    void save(const SettingsValues& values);

    QString fileName() const;

private:
    std::unique_ptr<QSettings> store_;
    bool writeFailureReported_ = false;
};

} // namespace vqd

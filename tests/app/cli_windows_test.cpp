// The command line on Windows, started as another program would start it: file names with
// letters of several alphabets, drive letters and backslashes, and outputs that Windows protects.
#include "../support/test_support.h"
#include "text/windows_text.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>

namespace vqd {
namespace {

using test::crlfLines;
using windows::wideOf;

// The program, found from this one: the build puts both in the same tree.
std::wstring programPath() {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    return (std::filesystem::path(self).parent_path() / VQD_CLI_RELATIVE_PATH).wstring();
}

struct Finished {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Runs the program with `arguments` (UTF-8, as a user would type them) in `folder`, its output
// and messages caught in files.
Finished run(const test::ScratchFolder& folder, const std::string& arguments) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto open = [&](const char* name) {
        return ::CreateFileW(files::nativePath(folder.path(name)).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    };
    const HANDLE out = open(".out");
    const HANDLE err = open(".err");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = L"vqd2zavek-cli " + wideOf(arguments);
    const std::wstring program = programPath();
    const std::wstring where = files::nativePath(folder.path("")).wstring();
    PROCESS_INFORMATION process{};
    Finished result;
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         where.c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        ::GetExitCodeProcess(process.hProcess, &status);
        result.exitStatus = static_cast<int>(status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    result.out = test::readBytes(folder.path(".out"));
    result.err = test::readBytes(folder.path(".err"));
    std::filesystem::remove(files::nativePath(folder.path(".out")));
    std::filesystem::remove(files::nativePath(folder.path(".err")));
    return result;
}

// Every file of the folder and its bytes.
std::map<std::string, std::string> contents(const test::ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.fileNames()) {
        const auto path = folder.path(name);
        files[name] = std::filesystem::is_regular_file(files::nativePath(path))
                          ? test::readBytes(path)
                          : "(folder)";
    }
    return files;
}

// Another program holding a file open without letting others delete or rename it, as editors and
// spreadsheets do.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path)
        : file_(::CreateFileW(files::nativePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
    ~HeldOpen() {
        if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

private:
    HANDLE file_;
};

bool setReadOnly(const std::string& path, bool on) {
    return ::SetFileAttributesW(files::nativePath(path).c_str(),
                                on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

// `text` with each DIR\ standing for the scratch folder.
std::string expandFolder(std::string text, const std::string& folder) {
    for (auto at = text.find("DIR\\"); at != std::string::npos;
         at = text.find("DIR\\", at + folder.size()))
        text.replace(at, 4, folder);
    return text;
}

struct WindowsCliCase {
    const char* name;
    std::string arguments; // DIR\ stands for the scratch folder
    int exitStatus;
    std::string out;
    std::string err;
    // When done: files and bytes each holds. When stopped: every file is as it was.
    std::map<std::string, std::string> written{};
    const char* readOnly = nullptr; // a file made read-only first
    const char* heldOpen = nullptr; // a file held open by another program meanwhile
};

class WindowsCli : public testing::TestWithParam<WindowsCliCase> {};

TEST_P(WindowsCli, ExitStatusMessagesAndFiles) {
    const WindowsCliCase& c = GetParam();
    test::ScratchFolder folder;
    // Written by a Windows program: ü is one byte of code page 1252.
    const std::string cells = crlfLines(
        {"Region;Age;Value;Freq;Flag;Dom", "Z\xFCrich;Total;20;2;S;0", "GR;0-14;120,5;3;A;0"});
    for (const char* name : {"cells.csv", "łódź é Ω.csv"})
        folder.write(name, cells);
    folder.write("région Ω.hrc", crlfLines({"Z\xFCrich", "@GR"}));
    for (const char* name : {"cells.csv.rda", "cells.csv.tab", "cells.csv.hst", "cells.csv.log"})
        folder.write(name, std::string("earlier ") + name);
    folder.write("template.csv", "code;value;status\r\nx;0;-");
    folder.write("zavek.csv", "11,a,250,3,U,0\r\n");
    std::filesystem::create_directory(files::nativePath(folder.path("dossier é")));
    if (c.readOnly) {
        ASSERT_TRUE(setReadOnly(folder.path(c.readOnly), true));
    }
    const auto before = contents(folder);

    std::optional<HeldOpen> held;
    if (c.heldOpen) held.emplace(folder.path(c.heldOpen));
    const Finished result = run(folder, expandFolder(c.arguments, folder.path("")));
    held.reset();
    if (c.readOnly) setReadOnly(folder.path(c.readOnly), false);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    if (c.exitStatus != 0) {
        EXPECT_EQ(contents(folder), before);
        return;
    }
    for (const auto& [name, bytes] : c.written)
        EXPECT_NE(test::readBytes(folder.path(name)).find(bytes), std::string::npos) << name;
    // ZAVEK opens a code list by the code-page bytes of its name in the metadata.
    for (const auto& name : folder.fileNames()) {
        if (!name.ends_with(".rda")) continue;
        std::istringstream metadata(test::readBytes(folder.path(name)));
        const std::string key = "  <HIERCODELIST> \"";
        for (std::string line; std::getline(metadata, line);) {
            if (!line.starts_with(key)) continue;
            const std::string listed =
                line.substr(key.size(), line.find('"', key.size()) - key.size());
            const auto where = files::nativePath(folder.path("")) / wideOf(listed, CP_ACP);
            EXPECT_TRUE(std::filesystem::is_regular_file(where)) << listed;
        }
    }
    for (const auto& name : folder.fileNames())
        EXPECT_FALSE(name.starts_with(".vqd-")) << "temporary file left: " << name;
}

const std::string forward =
    "forward cells.csv --dim 2 --names-first --total1 Zürich --total2 Total";
const std::string error = "vqd2zavek-cli: error: ";
const std::string cannotWrite = error + "Cannot write file: cells.csv.log: ";

// Messages and texts in files are in the ANSI code page (1252 here: é is \xE9, ł and Ω are not
// in it); names reach the files whatever their letters.
INSTANTIATE_TEST_SUITE_P(
    Commands, WindowsCli,
    testing::Values(
        WindowsCliCase{"TotalCodeTypedMatchesTheTableAndEarlierOutputsAreReplaced",
                       forward,
                       0,
                       "2 records processed\r\n",
                       "",
                       {{"cells.csv.rda", "  <TOTCODE> Z\xFCrich\r\n"},
                        {"cells.csv.tab", "Z\xFCrich;Total;20;2; 20;S;"},
                        {"cells.csv.log", "Logfile for converting cells.csv to ZAVEK\r\n"}}},
        WindowsCliCase{"NamesInSeveralAlphabetsWithBlanks",
                       "forward \"łódź é Ω.csv\" --dim 2 --names-first --hier1 \"région Ω.hrc\" "
                       "--total1 Zürich --total2 Total",
                       0,
                       "2 records processed\r\n",
                       "",
                       // Ω is not in the code page: the code list's short name is written.
                       {{"łódź é Ω.csv.rda", "  <HIERCODELIST> \""},
                        {"łódź é Ω.csv.tab", "GR;0-14;120.5;3;"},
                        {"łódź é Ω.csv.log", "Logfile for converting ?\xF3"
                                             "d? \xE9 ?.csv to ZAVEK"}}},
        WindowsCliCase{
            "DriveLetterAndBackslashes",
            "forward DIR\\cells.csv --dim 2 --names-first --total1 Zürich --total2 Total",
            0,
            "2 records processed\r\n",
            "",
            {{"cells.csv.rda", "Region 5\r\n"}}},
        WindowsCliCase{
            "RelativeToTheDrivesCurrentFolder",
            "back --template C:template.csv --zavek .\\zavek.csv --output \"C:wynik ł.csv\" "
            "--var1 code --value value",
            0,
            "ready\r\n",
            "",
            {{"wynik ł.csv", "code;value;status\r\n11;250;-\r\n"}}},
        WindowsCliCase{"FolderAsInput", "forward \"dossier é\" --dim 2", 1, "",
                       error + "Cannot read file: dossier \xE9: Is a directory\r\n"},
        WindowsCliCase{"DeviceAsOutput",
                       "back --template template.csv --zavek zavek.csv --output NUL", 1, "",
                       error + "Cannot write file: NUL: not a regular file\r\n"},
        WindowsCliCase{"ReadOnlyOutput",
                       forward,
                       1,
                       "",
                       cannotWrite + files::systemReason(ERROR_ACCESS_DENIED) + "\r\n",
                       {},
                       "cells.csv.log"},
        WindowsCliCase{"OutputHeldOpenByAnotherProgram",
                       forward,
                       1,
                       "",
                       cannotWrite + files::systemReason(ERROR_SHARING_VIOLATION) + "\r\n",
                       {},
                       nullptr,
                       "cells.csv.log"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd

// The command line on Windows, started as another program would start it: file names with
// letters of several alphabets, drive letters and backslashes, folders and devices.
#include "../support/test_support.h"
#include "files/windows_text.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vqd {
namespace {

using test::crlfLines;
using windows::wideOf;

struct Finished {
    int exitStatus;
    std::string out;
    std::string err;
};

// Runs the program, found beside this one in the build, with `arguments` (UTF-8, as a user would
// type them) in `folder`, its output and messages caught in files.
Finished run(const test::ScratchFolder& folder, const std::string& arguments) {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(::GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program = (std::filesystem::path(program).parent_path() / VQD_CLI_RELATIVE_PATH).wstring();
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto open = [&](const char* name) {
        return ::CreateFileW(files::nativePath(folder.path(name)).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = open(".out");
    startup.hStdError = open(".err");
    std::wstring commandLine = L"vqd2zavek-cli " + wideOf(arguments);
    PROCESS_INFORMATION process{};
    DWORD status = static_cast<DWORD>(-1);
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         files::nativePath(folder.path("")).c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(startup.hStdOutput);
    ::CloseHandle(startup.hStdError);
    const auto caught = [&](const char* name) {
        const std::string bytes = test::readBytes(folder.path(name));
        std::filesystem::remove(files::nativePath(folder.path(name)));
        return bytes;
    };
    return {static_cast<int>(status), caught(".out"), caught(".err")};
}

struct WindowsCliCase {
    const char* name;
    std::string arguments;
    int exitStatus;
    std::string out;
    std::string err;
    std::vector<std::pair<std::string, std::string>> written{}; // when done: a file, bytes in it
};

class WindowsCli : public testing::TestWithParam<WindowsCliCase> {};

// Stopped, the program leaves no file behind; done, it leaves no temporary file, and ZAVEK can
// open each code list by the code-page bytes of its name in the metadata.
TEST_P(WindowsCli, ExitStatusMessagesAndFiles) {
    const WindowsCliCase& c = GetParam();
    test::ScratchFolder folder;
    // Written by a Windows program: ü is one byte of code page 1252.
    folder.write("łódź é Ω.csv", crlfLines({"Region;Age;Value;Freq;Flag;Dom",
                                            "Z\xFCrich;Total;20;2;S;0", "GR;0-14;120,5;3;A;0"}));
    folder.write("région Ω.hrc", crlfLines({"Z\xFCrich", "@GR"}));
    folder.write("template.csv", "code;value;status\r\nx;0;-");
    folder.write("zavek.csv", "11,a,250,3,U,0\r\n");
    std::filesystem::create_directory(files::nativePath(folder.path("dossier é")));
    const auto before = folder.fileNames();

    const Finished result = run(folder, c.arguments);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    if (c.exitStatus != 0) {
        EXPECT_EQ(folder.fileNames(), before);
    }
    const std::string key = "  <HIERCODELIST> \"";
    for (const auto& [name, bytes] : c.written) {
        const std::string text = test::readBytes(folder.path(name));
        EXPECT_NE(text.find(bytes), std::string::npos) << name;
        if (const auto at = text.find(key); at != std::string::npos) {
            const std::string listed =
                text.substr(at + key.size(), text.find('"', at + key.size()) - at - key.size());
            const auto where = files::nativePath(folder.path("")) / wideOf(listed, CP_ACP);
            EXPECT_TRUE(std::filesystem::is_regular_file(where)) << listed;
        }
    }
    for (const auto& name : folder.fileNames())
        EXPECT_FALSE(name.starts_with(".vqd-")) << "temporary file left: " << name;
}

const std::string error = "vqd2zavek-cli: error: ";

// Messages and texts in files are in the ANSI code page (1252 here: é is \xE9, ł and Ω are not
// in it); names reach the files whatever their letters. Outputs that Windows protects are the
// engine's tables.
INSTANTIATE_TEST_SUITE_P(
    Commands, WindowsCli,
    testing::Values(
        WindowsCliCase{"NamesInSeveralAlphabetsAndTotalCodeTyped",
                       "forward \"łódź é Ω.csv\" --dim 2 --names-first --hier1 \"région Ω.hrc\" "
                       "--total1 Zürich --total2 Total",
                       0,
                       "2 records processed\r\n",
                       "",
                       // Ω is not in the code page: the code list's short name is written.
                       {{"łódź é Ω.csv.rda", "  <HIERCODELIST> \""},
                        {"łódź é Ω.csv.rda", "  <TOTCODE> Z\xFCrich\r\n"},
                        {"łódź é Ω.csv.tab", "Z\xFCrich;Total;20;2; 20;S;"},
                        {"łódź é Ω.csv.log", "Logfile for converting ?\xF3"
                                             "d? \xE9 ?.csv to ZAVEK"}}},
        WindowsCliCase{
            "DriveLetterAndBackslashes",
            "back --template C:template.csv --zavek .\\zavek.csv --output \"C:wynik ł.csv\" "
            "--var1 code --value value",
            0,
            "ready\r\n",
            "",
            {{"wynik ł.csv", "code;value;status\r\n11;250;-\r\n"}}},
        WindowsCliCase{"ControlCharacterEscaped",
                       "forward \"łódź é Ω.csv\" --dim 2 --names-first --total1 \"Z\x1b\" "
                       "--total2 Total",
                       0, "2 records processed\r\n",
                       "vqd2zavek-cli: note: No record with totalcode (Z\\x1b) found for variable: "
                       "Region\r\n"},
        WindowsCliCase{"OperandAfterDoubleDash", "forward --dim 2 -- -h", 1, "",
                       error + "Cannot read file: -h: " + test::missingFileReason + "\r\n"},
        WindowsCliCase{"FolderAsInput", "forward \"dossier é\" --dim 2", 1, "",
                       error + "Cannot read file: dossier \xE9: Is a directory\r\n"},
        WindowsCliCase{"DeviceAsOutput",
                       "back --template template.csv --zavek zavek.csv --output NUL", 1, "",
                       error + "Cannot write file: NUL: not a regular file\r\n"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd

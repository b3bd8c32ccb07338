#include "../support/test_support.h"
#include "back/back_conversion.h"
#include "forward/forward_run.h"
#include "text/fields.h"

#include <gtest/gtest.h>
#include <random>

namespace vqd {
namespace {

struct Cell {
    std::vector<std::string> codes;
    std::string value, freq, flag;
};

// Each flag with the status a cell of it must end up with.
const std::vector<std::pair<std::string, std::string>> flags = {{"A", "U"},  {"b", "U"}, {"C", "U"},
                                                                {"AB", "U"}, {"S", "S"}, {"", "S"},
                                                                {"D", "S"},  {"c1", "S"}};

class RandomTable {
public:
    explicit RandomTable(unsigned seed) : random_(seed) {}

    std::string text(std::size_t length) {
        static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh0123456789-+@_.";
        std::string out;
        for (std::size_t i = 0; i < length; ++i)
            out += alphabet[pick(alphabet.size())];
        return out;
    }
    // Decimal commas only where the comma does not separate fields.
    std::string number(bool decimalComma) {
        std::string digits = std::to_string(pick(100000));
        if (pick(2) == 0)
            digits +=
                std::string(decimalComma && pick(2) == 0 ? "," : ".") + std::to_string(pick(100));
        return (pick(5) == 0 ? "-" : "") + digits;
    }
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

private:
    std::mt19937 random_;
};

// A cell file forward, a ZAVEK output made of its table data as ZAVEK writes it back, and that
// back into a template: every code, value, frequency and status arrives in its column unchanged.
TEST(RoundTrip, EveryCellArrivesInItsChosenColumn) {
    const std::vector<std::string> separators = {";", ",", "\t", "|"};
    for (unsigned seed = 1; seed <= 150; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomTable random(seed);
        test::ScratchFolder folder;
        const auto varCount = static_cast<std::int32_t>(random.pick(5));
        const auto separator = separators[random.pick(separators.size())];
        const bool namesLine = random.pick(2) == 0;

        std::vector<Cell> cells(random.pick(40) + 1);
        std::string input = namesLine ? "names line\r\n" : "";
        for (auto& cell : cells) {
            for (int k = 0; k < varCount; ++k)
                cell.codes.push_back(random.text(random.pick(6) + 1));
            cell.value = random.number(separator != ",");
            cell.freq = random.number(separator != ",");
            cell.flag = flags[random.pick(flags.size())].first;
            for (const auto& code : cell.codes)
                input += code + separator;
            input += cell.value + separator + cell.freq + separator + cell.flag + separator + "95";
            input += random.pick(2) == 0 ? "\r" : "\r\n";
        }
        const auto inputPath = folder.write("cells.csv", input);

        ForwardPageValues page;
        page.txtVQDFileName = inputPath;
        page.chkVarNamesInFirst = namesLine;
        page.VarCount = varCount;
        page.FieldSeparator = separator;
        for (auto& row : page.rows)
            row = {"V", false, "", "", false, "", "T"};
        test::RecordingMessages messages;
        ASSERT_TRUE(runForwardConversion(page, messages).completed)
            << (messages.shown.empty() ? "" : messages.shown.back().text);

        // ZAVEK writes per variable its code and a second field, then value, frequency, status
        // and a fourth cell field.
        std::string zavek;
        const auto tab = test::readBytes(inputPath + ".tab");
        for (std::string_view rest = tab; !rest.empty();) {
            const auto end = rest.find("\r\n");
            std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end + 2);
            std::vector<std::string> fields;
            while (!line.empty())
                fields.emplace_back(NextFieldBy(line, separator));
            fields.resize(static_cast<std::size_t>(varCount) + 6);
            for (std::int32_t k = 0; k < varCount; ++k)
                zavek += fields[static_cast<std::size_t>(k)] + ",1,";
            const auto cellFields = fields.begin() + varCount;
            zavek += cellFields[0] + "," + cellFields[1] + "," + cellFields[3] + ",0\r\n";
        }
        folder.write("zavek.csv", zavek);

        // Template columns in a shuffled order: status, then the codes backwards, value, frequency.
        const std::string templateSeparator = random.pick(2) == 0 ? ";" : ",";
        BackConversionRequest request{folder.write("template.csv", ""), folder.path("zavek.csv"),
                                      folder.path("result.csv")};
        std::string header = "status";
        request.Columns[CellStatus] = 1;
        for (std::int32_t k = varCount; k >= 1; --k) {
            header += templateSeparator + "code" + std::to_string(k);
            request.Columns[ExplVar1 + static_cast<std::size_t>(k - 1)] = varCount - k + 2;
        }
        header += templateSeparator + "value" + templateSeparator + "freq";
        request.Columns[CellValue] = varCount + 2;
        request.Columns[CellFrequency] = varCount + 3;
        std::string model = "-";
        for (std::int32_t i = 0; i < varCount + 2; ++i)
            model += templateSeparator + "-";
        test::writeBytes(request.TemplateFile, header + "\r\n" + model + "\r\n");
        test::RecordingMessages backMessages;
        ASSERT_TRUE(ConvertBack(request, backMessages).completed);
        EXPECT_TRUE(backMessages.shown.empty());

        std::string expected = header + "\r\n";
        for (const auto& cell : cells) {
            const auto status = std::find_if(flags.begin(), flags.end(), [&](const auto& f) {
                                    return f.first == cell.flag;
                                })->second;
            expected += status;
            for (std::int32_t k = varCount; k >= 1; --k) {
                expected += templateSeparator + cell.codes[static_cast<std::size_t>(k - 1)];
            }
            expected += templateSeparator + ReplaceCommaPoint(cell.value) + templateSeparator +
                        ReplaceCommaPoint(cell.freq) + "\r\n";
        }
        EXPECT_EQ(test::readBytes(request.ResultFile), expected);
    }
}

} // namespace
} // namespace vqd

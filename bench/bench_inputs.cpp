// Writes a large, realistic data set for the conversion benchmark: a VQD cell file of three
// explanatory variables with a names line, decimal commas, every kind of flag and a share of
// suspect records; a template; and a ZAVEK output file of the same cells. The same seed gives the
// same bytes on every machine.
//
//   bench_inputs FOLDER RECORDS [SEED]
//
// writes FOLDER/cells.csv, region.hrc (the regions' hierarchy), template.csv and zavek.csv.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// splitmix64: a fixed algorithm, unlike the standard distributions, so the data never changes.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }

private:
    std::uint64_t state_;
};

// Buffered writing; a failure ends the program with a message.
class Output {
public:
    Output(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
        if (file_ == nullptr) fail();
        buffer_.reserve(capacity + 256);
    }
    ~Output() {
        flush();
        if (std::fclose(file_) != 0) fail();
    }
    Output& operator<<(std::string_view text) {
        buffer_.append(text);
        return *this;
    }
    Output& operator<<(std::uint64_t number) {
        buffer_.append(std::to_string(number));
        return *this;
    }
    void endLine() {
        buffer_.append("\r\n");
        if (buffer_.size() >= capacity) flush();
    }

private:
    static constexpr std::size_t capacity = 1 << 20;
    void flush() {
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) fail();
        buffer_.clear();
    }
    [[noreturn]] void fail() {
        std::perror(path_.c_str());
        std::exit(1);
    }
    std::string path_;
    std::FILE* file_;
    std::string buffer_;
};

constexpr std::array<std::string_view, 12> regions{"Total", "North", "South", "East", "West", "GR",
                                                   "FR",    "DR",    "LI",    "NB",   "ZH",   "UT"};
constexpr std::array<std::string_view, 6> ages{"Total", "0-14", "15-24", "25-44", "45-64", "65+"};
// Flags as users type them: mostly safe, the three rules, lower case, and flags no rule knows.
constexpr std::array<std::string_view, 16> flags{"S", "S", "S", "S", "S", "",  "",   "A",
                                                 "A", "B", "B", "C", "b", "c", "AB", "D"};

struct Cell {
    std::string region, age, sector;
    std::string value, frequency, flag, dominance;
    std::string valuePoint, dominancePoint; // as ZAVEK writes them back
};

std::string withComma(std::string text) {
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

// A turnover as an amount with 0 to 2 decimals, sometimes negative, sometimes large or tiny.
std::string amountText(Random& random) {
    const auto kind = random.below(100);
    std::string text;
    if (kind < 2) {
        text = "-" + std::to_string(random.below(100000)); // a correction: suspect with flag A
    } else if (kind < 4) {
        text = std::to_string(random.below(1000000000)) + std::to_string(random.below(1000000));
    } else if (kind < 6) {
        text = "0." + std::to_string(10 + random.below(90));
    } else if (kind < 8) {
        text = "0";
    } else {
        text = std::to_string(random.below(10000000));
    }
    const auto decimals = random.below(3);
    if (kind >= 8 && decimals > 0) {
        text += '.';
        for (std::uint64_t i = 0; i < decimals; ++i)
            text += static_cast<char>('0' + random.below(10));
    }
    return text;
}

Cell makeCell(Random& random, std::uint64_t index) {
    Cell cell;
    cell.region = std::string(regions[index % regions.size()]);
    cell.age = std::string(ages[(index / regions.size()) % ages.size()]);
    const auto sector = (index / (regions.size() * ages.size())) % 1000;
    cell.sector = sector == 0 ? "Total" : "G" + std::to_string(sector);
    cell.valuePoint = amountText(random);
    cell.value = withComma(cell.valuePoint);
    cell.frequency = std::to_string(1 + random.below(500));
    cell.flag = std::string(flags[random.below(flags.size())]);
    // Dominance percentages: a few below the rules' 80 and 90, which are suspect for B and C.
    const auto dominance = random.chance(5) ? random.below(90) : 90 + random.below(10);
    cell.dominancePoint = std::to_string(dominance) + "." + std::to_string(random.below(10));
    cell.dominance = withComma(cell.dominancePoint);
    return cell;
}

std::uint64_t level(std::string_view code) {
    return code == "Total" ? 0 : code.size() == 2 && code != "GR" ? 2 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: bench_inputs FOLDER RECORDS [SEED]\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const std::uint64_t records = std::strtoull(argv[2], nullptr, 10);
    Random random(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20240607);

    {
        Output hierarchy(folder + "/region.hrc");
        for (std::string_view line :
             {"North", "@GR", "@FR", "@DR", "South", "@LI", "@NB", "@ZH", "East", "West", "@UT"}) {
            hierarchy << line;
            hierarchy.endLine();
        }
        Output templateFile(folder + "/template.csv");
        templateFile << "Region;Age;Sector;Turnover;Enterprises;Flag;Dominance;Top2";
        templateFile.endLine();
        templateFile << "-;-;-;0;0;S;-;-";
        templateFile.endLine();
    }
    Output cells(folder + "/cells.csv");
    Output zavek(folder + "/zavek.csv");
    cells << "Region;Age;Sector;Turnover;Enterprises;Flag;Dominance";
    cells.endLine();
    for (std::uint64_t i = 0; i < records; ++i) {
        const Cell cell = makeCell(random, i);
        cells << cell.region << ";" << cell.age << ";" << cell.sector << ";" << cell.value << ";"
              << cell.frequency << ";" << cell.flag << ";" << cell.dominance;
        cells.endLine();
        const bool unsafe = !cell.flag.empty() && cell.flag != "S" && cell.flag != "D";
        zavek << cell.region << "," << level(cell.region) << "," << cell.age << ","
              << level(cell.age) << "," << cell.sector << "," << level(cell.sector) << ","
              << cell.valuePoint << "," << cell.frequency << "," << (unsafe ? "U" : "S") << ","
              << cell.dominancePoint;
        zavek.endLine();
    }
    return 0;
}

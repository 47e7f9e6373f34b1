// variants: rewrites a combined log (the benchmark's standard.log) into a variant that stresses one
// statistic's key count, keeping every other field as it was:
//   referrers  a third of the lines get one of 300,000 distinct outside referrers;
//   keywords   a third of the lines get a Google search referrer, 300,000 distinct keywords;
//   users      a fifth of the lines carry one of 100,000 authenticated user names.
// The same input always gives the same bytes.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage = "usage: variants referrers|keywords|users IN OUT\n";
constexpr long kDistinctReferrers = 300000;
constexpr long kDistinctKeywords = 300000;
constexpr long kDistinctUsers = 100000;

// A lower-case word numbered `n`: distinct numbers give distinct words.
std::string Word(long n) {
    std::string word;
    do {
        word += static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n > 0);
    return word;
}

// Where the referrer's text lies in a combined line: inside the quotes that follow the request's
// closing one. False for a line without them.
bool FindReferrer(std::string_view line, size_t& begin, size_t& end) {
    size_t quote = line.find('"');  // the request's opening quote
    for (int i = 0; i < 2 && quote != std::string_view::npos; ++i)
        quote = line.find('"', quote + 1);
    if (quote == std::string_view::npos) return false;
    begin = quote + 1;
    end = line.find('"', begin);
    return end != std::string_view::npos;
}

void ReplaceReferrer(std::string& line, const std::string& referrer) {
    size_t begin = 0, end = 0;
    if (FindReferrer(line, begin, end)) line.replace(begin, end - begin, referrer);
}

// The user name is the third blank-separated field.
void ReplaceUser(std::string& line, const std::string& user) {
    const size_t first = line.find(' ');
    const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    const size_t third = second == std::string::npos ? second : line.find(' ', second + 1);
    if (third != std::string::npos) line.replace(second + 1, third - second - 1, user);
}

// Rewrites line number `n` (from 0) for the variant `kind`.
void Rewrite(std::string_view kind, long n, std::string& line) {
    if (kind == "referrers" && n % 3 == 0) {
        const long k = n / 3 % kDistinctReferrers;
        ReplaceReferrer(line, "https://" + Word(k) + ".links.example.net/list/" +
                                  std::to_string(k % 97) + ".html");
    } else if (kind == "keywords" && n % 3 == 0) {
        static constexpr std::string_view kCommon[] = {"tent", "boots", "review", "cheap"};
        const long k = n / 3 % kDistinctKeywords;
        ReplaceReferrer(line, "https://www.google.com/search?q=" + Word(k) + "+" +
                                  std::string(kCommon[k % 4]) + "&hl=en");
    } else if (kind == "users" && n % 5 == 0) {
        ReplaceUser(line, "member" + std::to_string(n / 5 % kDistinctUsers));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string_view kind = argv[1];
    if (kind != "referrers" && kind != "keywords" && kind != "users") {
        std::cerr << "variants: unknown variant \"" << kind << "\"\n" << kUsage;
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "variants: cannot open " << argv[2] << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::ofstream out(argv[3], std::ios::binary);
    if (!out) {
        std::cerr << "variants: cannot create " << argv[3] << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::string line;
    for (long n = 0; std::getline(in, line); ++n) {
        Rewrite(kind, n, line);
        out << line << '\n';
    }
    if (!out.flush()) {
        std::cerr << "variants: writing " << argv[3] << " failed\n";
        return 1;
    }
    return 0;
}

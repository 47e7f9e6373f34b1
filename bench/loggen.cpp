// loggen: writes a synthetic web-server access log shaped like today's traffic on a small shop
// site: visitor sessions, Zipf-like page popularity, search-engine referrers, current browsers
// and crawlers. The same arguments always give the same bytes, so benchmark runs compare.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

using Millis = int64_t;
constexpr Millis kSecond = 1000;
constexpr Millis kMinute = 60 * kSecond;
constexpr Millis kHour = 60 * kMinute;
constexpr Millis kDay = 24 * kHour;

constexpr std::string_view kOwnSite = "https://www.example.com";

// ------------------------------------------------------------------------------------------------
// Random numbers

// xoshiro256** seeded through splitmix64. Only integer arithmetic is used on top of it, so the
// output does not depend on the platform's floating-point library.
class Random {
  public:
    explicit Random(uint64_t seed) {
        for (auto& word : state_) {
            seed += 0x9e3779b97f4a7c15;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
            z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
            word = z ^ (z >> 31);
        }
    }

    uint64_t Next() {
        const uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
        const uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = std::rotl(state_[3], 45);
        return result;
    }

    // Uniform in [0, n), n > 0.
    uint64_t Below(uint64_t n) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
    }
    int64_t Between(int64_t low, int64_t high) {
        return low + static_cast<int64_t>(Below(static_cast<uint64_t>(high - low + 1)));
    }
    bool Percent(unsigned p) { return Below(100) < p; }
    bool PerMille(unsigned p) { return Below(1000) < p; }

    // Roughly exponential with the given mean: a geometric number of halvings plus a uniform part.
    Millis Spread(Millis mean) {
        const int halvings = std::countr_zero(Next() | (uint64_t{1} << 40));
        const auto fraction = static_cast<int64_t>(Below(1024));
        return mean * (2 * halvings * 1024 + 2 * fraction) / 3072;
    }

    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }
    template <typename T, size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Below(N)];
    }

  private:
    std::array<uint64_t, 4> state_;
};

// Picks an index with probability proportional to its weight.
class WeightedChoice {
  public:
    WeightedChoice() = default;
    explicit WeightedChoice(const std::vector<uint32_t>& weights) {
        uint64_t sum = 0;
        for (uint32_t w : weights) cumulative_.push_back(sum += w);
    }
    size_t Pick(Random& random) const {
        const uint64_t ticket = random.Below(cumulative_.back());
        return static_cast<size_t>(
            std::upper_bound(cumulative_.begin(), cumulative_.end(), ticket) - cumulative_.begin());
    }

  private:
    std::vector<uint64_t> cumulative_;
};

template <typename T>
WeightedChoice ChoiceByWeight(const std::vector<T>& items) {
    std::vector<uint32_t> weights;
    for (const T& item : items) weights.push_back(item.weight);
    return WeightedChoice(weights);
}

// ------------------------------------------------------------------------------------------------
// Calendar (proleptic Gregorian, after H. Hinnant's days-from-civil algorithms)

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (month <= 2), month, day};
}

constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// ------------------------------------------------------------------------------------------------
// Options

enum class Format { kCommon, kCombined, kW3c };

struct Options {
    Format format = Format::kCombined;
    uint64_t lines = 1'000'000;
    uint64_t seed = 2026;
    bool gzip = false;
    bool distinct_paths = false;
    uint64_t active_hosts = 0;
    int64_t start_day = DaysFromCivil(2026, 3, 2);
    int zone_minutes = 60;
    uint64_t days = 0;  // 0: about one second per two lines
    std::string out;
};

constexpr std::string_view kUsage =
    "usage: loggen [--format common|combined|w3c] [--lines N] [--seed S] [--gzip]\n"
    "              [--distinct-paths] [--active-hosts N] [--start YYYY-MM-DD]\n"
    "              [--tz +hhmm] [--days D] --out FILE\n"
    "  --distinct-paths  every line requests a path of its own\n"
    "  --active-hosts N  N hosts stay active at once, each back within 20 minutes\n"
    "  --tz              zone printed in common/combined lines (default +0100)\n"
    "  --days D          spread the lines over about D days (default: 2 lines a second)\n";

bool ParseNumber(std::string_view text, uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseDate(std::string_view text, int64_t& day) {
    uint64_t y = 0, m = 0, d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    if (!ParseNumber(text.substr(0, 4), y) || !ParseNumber(text.substr(5, 2), m) ||
        !ParseNumber(text.substr(8, 2), d) || m < 1 || m > 12 || d < 1 || d > 31) {
        return false;
    }
    day =
        DaysFromCivil(static_cast<int64_t>(y), static_cast<unsigned>(m), static_cast<unsigned>(d));
    return true;
}

bool ParseZone(std::string_view text, int& minutes) {
    uint64_t hhmm = 0;
    if (text.size() != 5 || (text[0] != '+' && text[0] != '-') ||
        !ParseNumber(text.substr(1), hhmm) || hhmm % 100 >= 60 || hhmm > 1400) {
        return false;
    }
    minutes = static_cast<int>(hhmm / 100 * 60 + hhmm % 100) * (text[0] == '-' ? -1 : 1);
    return true;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        const std::string_view value = has_value ? argv[i + 1] : "";
        bool ok = true;
        if (arg == "--gzip") {
            options.gzip = true;
            continue;
        }
        if (arg == "--distinct-paths") {
            options.distinct_paths = true;
            continue;
        }
        if (!has_value) {
            std::fprintf(stderr, "loggen: %s: unknown option or missing value\n", argv[i]);
            return std::nullopt;
        }
        if (arg == "--format") {
            if (value == "common") {
                options.format = Format::kCommon;
            } else if (value == "combined") {
                options.format = Format::kCombined;
            } else if (value == "w3c") {
                options.format = Format::kW3c;
            } else {
                ok = false;
            }
        } else if (arg == "--lines") {
            ok = ParseNumber(value, options.lines);
        } else if (arg == "--seed") {
            ok = ParseNumber(value, options.seed);
        } else if (arg == "--active-hosts") {
            ok = ParseNumber(value, options.active_hosts);
        } else if (arg == "--start") {
            ok = ParseDate(value, options.start_day);
        } else if (arg == "--tz") {
            ok = ParseZone(value, options.zone_minutes);
        } else if (arg == "--days") {
            ok = ParseNumber(value, options.days);
        } else if (arg == "--out") {
            options.out = value;
        } else {
            std::fprintf(stderr, "loggen: %s: unknown option\n", argv[i]);
            return std::nullopt;
        }
        if (!ok) {
            std::fprintf(stderr, "loggen: %s: invalid value \"%s\"\n", argv[i], argv[i + 1]);
            return std::nullopt;
        }
        ++i;
    }
    if (options.out.empty()) {
        std::fprintf(stderr, "loggen: --out is required\n");
        return std::nullopt;
    }
    return options;
}

// ------------------------------------------------------------------------------------------------
// Output: one large buffer, written with fwrite or gzwrite

class Output {
  public:
    explicit Output(bool gzip) : gzip_(gzip) { buffer_.reserve(kCapacity + 4096); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { Close(); }

    bool Open(const std::string& path) {
        if (gzip_) {
            gz_ = gzopen(path.c_str(), "wb6");
            return gz_ != nullptr;
        }
        file_ = std::fopen(path.c_str(), "wb");
        return file_ != nullptr;
    }

    void Put(std::string_view text) { buffer_.append(text); }
    void Put(char c) { buffer_.push_back(c); }
    void PutNumber(uint64_t value) {
        char digits[20];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        buffer_.append(digits, end);
    }
    // Writes the text with every space replaced by "+", as IIS does inside W3C fields.
    void PutPlussed(std::string_view text) {
        for (char c : text) buffer_.push_back(c == ' ' ? '+' : c);
    }
    void EndLine() {
        buffer_.push_back('\n');
        if (buffer_.size() >= kCapacity) Flush();
    }

    // False when any write failed.
    bool Close() {
        Flush();
        if (file_ != nullptr) {
            failed_ |= std::fclose(file_) != 0;
            file_ = nullptr;
        }
        if (gz_ != nullptr) {
            failed_ |= gzclose(gz_) != Z_OK;
            gz_ = nullptr;
        }
        return !failed_;
    }

  private:
    static constexpr size_t kCapacity = size_t{4} << 20;

    void Flush() {
        if (buffer_.empty()) return;
        if (file_ != nullptr) {
            failed_ |= std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size();
        } else if (gz_ != nullptr) {
            const auto size = static_cast<unsigned>(buffer_.size());
            failed_ |= gzwrite(gz_, buffer_.data(), size) != static_cast<int>(size);
        }
        buffer_.clear();
    }

    bool gzip_;
    std::string buffer_;
    FILE* file_ = nullptr;
    gzFile gz_ = nullptr;
    bool failed_ = false;
};

// ------------------------------------------------------------------------------------------------
// The site: a few hundred paths with fixed sizes and a popularity order

struct Resource {
    std::string path;  // with its query when it always carries one (versioned assets)
    uint32_t bytes;
    bool dynamic = false;          // built per request: the size varies and it may fail
    std::vector<uint16_t> images;  // pictures a browser fetches with the page
};

// A request that only scanners and stale links make.
struct Probe {
    std::string_view method;
    std::string_view path;
    uint16_t status;
};

constexpr std::array<Probe, 18> kProbes = {{
    {"GET", "/wp-login.php", 404},
    {"POST", "/xmlrpc.php", 404},
    {"GET", "/.env", 403},
    {"GET", "/.git/config", 403},
    {"GET", "/wp-admin/setup-config.php", 404},
    {"GET", "/phpmyadmin/index.php", 404},
    {"GET", "/admin/", 403},
    {"GET", "/server-status", 403},
    {"GET", "/cgi-bin/luci/;stok=/locale", 404},
    {"POST", "/boaform/admin/formLogin", 404},
    {"GET", "/owa/auth/logon.aspx", 404},
    {"GET", "/vendor/phpunit/phpunit/src/Util/PHP/eval-stdin.php", 404},
    {"GET", "/.aws/credentials", 403},
    {"GET", "/config.json", 404},
    {"GET", "/backup.zip", 404},
    {"GET", "/actuator/health", 404},
    {"OPTIONS", "/", 200},
    {"GET", "/index.php?s=/index/think/app/invokefunction", 404},
}};

constexpr std::array<std::string_view, 6> kGonePages = {
    "/products/tents/summit-2p-2019.html",
    "/blog/2019/05/old-gear-list.html",
    "/specials.html",
    "/products/stoves/canyon-duo-2020.html",
    "/shop/index.php",
    "/news.html",
};

constexpr std::array<std::string_view, 10> kCategories = {
    "tents", "sleeping-bags", "backpacks",  "stoves", "headlamps",
    "boots", "jackets",       "navigation", "water",  "climbing"};

class Site {
  public:
    Site() {
        Random random(7);  // the site is the same whatever seed the traffic uses
        BuildAssets();
        BuildPages(random);
        BuildMembersArea(random);
    }

    const Resource& operator[](size_t index) const { return resources_[index]; }

    size_t PickPage(Random& random) const { return pages_[popularity_.Pick(random)]; }
    size_t PickAnyPage(Random& random) const { return random.Pick(pages_); }
    size_t PickMemberPage(Random& random) const { return random.Pick(member_pages_); }
    bool IsMemberPage(size_t index) const { return index >= first_member_page_; }
    bool IsProduct(size_t index) const { return index >= first_product_ && index < end_product_; }
    size_t PickProduct(Random& random) const {
        for (;;) {
            const size_t page = PickPage(random);
            if (IsProduct(page) && !resources_[page].images.empty()) return page;
        }
    }
    const std::vector<uint16_t>& shared_assets() const { return shared_assets_; }
    bool IsFont(size_t index) const { return resources_[index].path.ends_with(".woff2"); }
    size_t stylesheet() const { return shared_assets_.front(); }

    size_t home = 0, robots = 0, sitemap = 0, feed = 0, favicon = 0, touch_icon = 0;
    size_t cart = 0, checkout = 0, thanks = 0, contact = 0, contact_thanks = 0;
    size_t members_home = 0, catalogue = 0, search = 0;
    size_t stock_api = 0, products_api = 0, cart_api = 0;

  private:
    size_t Add(std::string path, uint32_t bytes, bool dynamic = false) {
        resources_.push_back({std::move(path), bytes, dynamic, {}});
        return resources_.size() - 1;
    }
    size_t AddPage(std::string path, Random& random, bool dynamic = false) {
        const size_t index =
            Add(std::move(path), static_cast<uint32_t>(random.Between(6000, 42000)), dynamic);
        pages_.push_back(static_cast<uint16_t>(index));
        return index;
    }
    void AddImages(size_t page, std::string_view stem, int count, Random& random) {
        for (int i = 1; i <= count; ++i) {
            const bool webp = random.Percent(40);
            const size_t image =
                Add(std::string(stem) + "-" + std::to_string(i) + (webp ? ".webp" : ".jpg"),
                    static_cast<uint32_t>(random.Between(18000, 260000)));
            resources_[page].images.push_back(static_cast<uint16_t>(image));
        }
    }

    void BuildAssets() {
        const std::array<std::pair<std::string_view, uint32_t>, 4> shared = {{
            {"/assets/css/site.css?v=4.2.1", 61234},
            {"/assets/js/site.js?v=4.2.1", 187302},
            {"/assets/fonts/inter-var.woff2", 48256},
            {"/assets/img/logo.svg", 5338},
        }};
        for (const auto& [path, bytes] : shared) {
            shared_assets_.push_back(static_cast<uint16_t>(Add(std::string(path), bytes)));
        }
        favicon = Add("/favicon.ico", 15086);
        touch_icon = Add("/apple-touch-icon.png", 7412);
        robots = Add("/robots.txt", 312);
        sitemap = Add("/sitemap.xml", 38410);
        feed = Add("/feed.xml", 21876);
        catalogue = Add("/downloads/catalogue-2026.pdf", 8403621);
        stock_api = Add("/api/stock.php", 180, true);
        products_api = Add("/api/products.php", 4200, true);
        cart_api = Add("/api/cart.php", 310, true);
    }

    void BuildPages(Random& random) {
        home = AddPage("/", random, true);
        AddImages(home, "/img/hero", 2, random);
        for (std::string_view page :
             {"/about.html", "/shipping.html", "/returns.html", "/faq.html", "/privacy.html",
              "/terms.html", "/stores.html", "/careers.html", "/index.html"}) {
            AddPage(std::string(page), random);
        }
        contact = AddPage("/contact.php", random, true);
        contact_thanks = AddPage("/contact-thanks.html", random);
        cart = AddPage("/cart.php", random, true);
        checkout = Add("/checkout.php", 0, true);
        thanks = AddPage("/checkout/thanks.html", random);
        AddPage("/blog/", random, true);
        AddPage("/products/", random, true);

        const std::array<std::string_view, 12> lines = {"alpine", "summit", "ridge",   "canyon",
                                                        "tundra", "forest", "glacier", "meadow",
                                                        "coast",  "trail",  "boulder", "aurora"};
        const std::array<std::string_view, 8> models = {"lite", "pro", "ul",   "2p",
                                                        "3p",   "xl",  "solo", "duo"};
        first_product_ = resources_.size();
        for (std::string_view category : kCategories) {
            const std::string folder = "/products/" + std::string(category) + "/";
            AddPage(folder, random, true);
            for (int i = 0; i < 12; ++i) {
                const std::string name = std::string(lines[static_cast<size_t>(i)]) + "-" +
                                         std::string(random.Pick(models));
                const size_t page = AddPage(folder + name + ".html", random);
                const std::string sku = std::to_string(10000 + resources_.size());
                AddImages(page, "/img/p/" + sku, static_cast<int>(random.Between(1, 2)), random);
            }
        }
        end_product_ = resources_.size();

        const std::array<std::string_view, 16> topics = {"packing-list-for-a-weekend-hike",
                                                         "how-to-pitch-a-tent-in-wind",
                                                         "choosing-a-sleeping-bag",
                                                         "stove-fuel-compared",
                                                         "winter-camping-basics",
                                                         "trail-running-shoes-guide",
                                                         "water-filters-tested",
                                                         "first-aid-kit-checklist",
                                                         "layering-for-cold-weather",
                                                         "map-and-compass-skills",
                                                         "leave-no-trace",
                                                         "best-headlamps-this-year",
                                                         "bouldering-for-beginners",
                                                         "caring-for-down-jackets",
                                                         "hiking-with-kids",
                                                         "ultralight-backpacking"};
        for (const auto& [year, last_month] : {std::pair{2025, 12}, std::pair{2026, 2}}) {
            for (std::string_view topic : topics) {
                const std::string month = std::to_string(random.Between(1, last_month));
                const size_t page = AddPage("/blog/" + std::to_string(year) + "/" + month + "/" +
                                                std::string(topic) + ".html",
                                            random);
                AddImages(page, "/img/b/" + std::string(topic) + "-" + std::to_string(year), 1,
                          random);
            }
        }
        search = AddPage("/search.php", random, true);

        // Popularity: the home page first, every other page at a shuffled rank, weight 1/rank.
        std::vector<uint16_t> ranked(pages_.begin() + 1, pages_.end());
        for (size_t i = ranked.size(); i > 1; --i) {
            std::swap(ranked[i - 1], ranked[random.Below(i)]);
        }
        ranked.insert(ranked.begin(), pages_.front());
        pages_ = ranked;
        std::vector<uint32_t> weights;
        for (size_t rank = 0; rank < pages_.size(); ++rank) {
            weights.push_back(static_cast<uint32_t>(1'000'000 / (rank + 1)));
        }
        popularity_ = WeightedChoice(weights);
    }

    // A folder behind HTTP basic authentication: its hits carry the member's user name.
    void BuildMembersArea(Random& random) {
        first_member_page_ = resources_.size();
        members_home = Add("/members/", 9120, true);
        member_pages_.push_back(static_cast<uint16_t>(members_home));
        for (std::string_view page :
             {"/members/orders.php", "/members/profile.php", "/members/downloads.html",
              "/members/guides/repairs.html", "/members/guides/route-planning.html"}) {
            member_pages_.push_back(static_cast<uint16_t>(
                Add(std::string(page), static_cast<uint32_t>(random.Between(5000, 30000)))));
        }
    }

    std::vector<Resource> resources_;
    std::vector<uint16_t> pages_;  // public pages, most popular first
    WeightedChoice popularity_;
    std::vector<uint16_t> shared_assets_;
    std::vector<uint16_t> member_pages_;
    size_t first_product_ = 0, end_product_ = 0, first_member_page_ = 0;
};

// ------------------------------------------------------------------------------------------------
// Who visits: agents, hosts, search engines, other referrers

enum class VisitorKind { kBrowser, kMember, kApp, kCrawler, kTool, kScanner, kMonitor };

enum class HostStyle {
    kConsumer,  // access networks: numeric IPv4, IPv6 or a provider's name
    kDatacenter,
    kGoogle,
    kBing,
    kYandex,
    kBaidu,
    kApple,
};

struct AgentProfile {
    std::string_view text;
    VisitorKind kind;
    HostStyle hosts;
    uint32_t weight;  // share of new visitors
};

// clang-format off
const std::vector<AgentProfile> kAgents = {
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 160},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/145.0.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 60},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 40},
    {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 12},
    {"Mozilla/5.0 (X11; CrOS x86_64 16433.64.0) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 6},
    {"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Mobile Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 150},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36 Edg/146.0.0.0", VisitorKind::kBrowser, HostStyle::kConsumer, 70},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/145.0.0.0 Safari/537.36 OPR/128.0.0.0", VisitorKind::kBrowser, HostStyle::kConsumer, 8},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:147.0) Gecko/20100101 Firefox/147.0", VisitorKind::kBrowser, HostStyle::kConsumer, 40},
    {"Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:147.0) Gecko/20100101 Firefox/147.0", VisitorKind::kBrowser, HostStyle::kConsumer, 8},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:147.0) Gecko/20100101 Firefox/147.0", VisitorKind::kBrowser, HostStyle::kConsumer, 6},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/26.1 Safari/605.1.15", VisitorKind::kBrowser, HostStyle::kConsumer, 50},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 18_7 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/26.1 Mobile/15E148 Safari/604.1", VisitorKind::kBrowser, HostStyle::kConsumer, 140},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 18_7 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) CriOS/146.0.7680.40 Mobile/15E148 Safari/604.1", VisitorKind::kBrowser, HostStyle::kConsumer, 20},
    {"Mozilla/5.0 (iPad; CPU OS 18_7 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/26.1 Mobile/15E148 Safari/604.1", VisitorKind::kBrowser, HostStyle::kConsumer, 15},
    {"Mozilla/5.0 (Linux; Android 15; SAMSUNG SM-S931B) AppleWebKit/537.36 (KHTML, like Gecko) SamsungBrowser/29.0 Chrome/136.0.0.0 Mobile Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 20},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/144.0.0.0 YaBrowser/25.12.0.0 Safari/537.36", VisitorKind::kBrowser, HostStyle::kConsumer, 4},
    {"Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko", VisitorKind::kBrowser, HostStyle::kConsumer, 2},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.0.0 Safari/537.36", VisitorKind::kMember, HostStyle::kConsumer, 10},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/26.1 Safari/605.1.15", VisitorKind::kMember, HostStyle::kConsumer, 4},
    {"ExampleOutfitters/1207 CFNetwork/3826.500.131 Darwin/24.5.0", VisitorKind::kApp, HostStyle::kConsumer, 70},
    {"okhttp/4.12.0", VisitorKind::kApp, HostStyle::kConsumer, 70},
    {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", VisitorKind::kCrawler, HostStyle::kGoogle, 8},
    {"Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/146.0.7680.71 Mobile Safari/537.36 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", VisitorKind::kCrawler, HostStyle::kGoogle, 4},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm) Chrome/116.0.1938.76 Safari/537.36", VisitorKind::kCrawler, HostStyle::kBing, 6},
    {"Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)", VisitorKind::kCrawler, HostStyle::kYandex, 2},
    {"Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)", VisitorKind::kCrawler, HostStyle::kBaidu, 1},
    {"DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)", VisitorKind::kCrawler, HostStyle::kDatacenter, 1},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; +http://www.apple.com/go/applebot)", VisitorKind::kCrawler, HostStyle::kApple, 2},
    {"Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)", VisitorKind::kCrawler, HostStyle::kDatacenter, 3},
    {"Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)", VisitorKind::kCrawler, HostStyle::kDatacenter, 2},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.3; +https://openai.com/gptbot)", VisitorKind::kCrawler, HostStyle::kDatacenter, 3},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; +claudebot@anthropic.com)", VisitorKind::kCrawler, HostStyle::kDatacenter, 2},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; PerplexityBot/1.0; +https://perplexity.ai/perplexitybot)", VisitorKind::kCrawler, HostStyle::kDatacenter, 1},
    {"facebookexternalhit/1.1 (+http://www.facebook.com/externalhit_uatext.php)", VisitorKind::kCrawler, HostStyle::kDatacenter, 2},
    {"curl/8.14.1", VisitorKind::kTool, HostStyle::kDatacenter, 6},
    {"Wget/1.25.0", VisitorKind::kTool, HostStyle::kConsumer, 2},
    {"python-requests/2.32.5", VisitorKind::kTool, HostStyle::kDatacenter, 4},
    {"Go-http-client/2.0", VisitorKind::kTool, HostStyle::kDatacenter, 2},
    {"-", VisitorKind::kTool, HostStyle::kDatacenter, 1},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36", VisitorKind::kScanner, HostStyle::kDatacenter, 2},
    {"Mozilla/5.0 zgrab/0.x", VisitorKind::kScanner, HostStyle::kDatacenter, 1},
    {"python-requests/2.31.0", VisitorKind::kScanner, HostStyle::kDatacenter, 1},
};
// clang-format on

constexpr std::string_view kMonitorAgent =
    "Mozilla/5.0+(compatible; UptimeRobot/2.0; http://www.uptimerobot.com/)";

constexpr std::array<std::string_view, 10> kMembers = {
    "alice",     "bob",      "carol.w",  "dmitri", "John Smith",
    "Ana Lopez", "mei.chen", "k.tanaka", "sven",   "Pierre Dubois"};

// Host name patterns of access providers; '#' is a number 0-255, '*' 1-99999, '%' a hex byte.
struct HostPattern {
    std::string_view pattern;
    uint32_t weight;
};
const std::vector<HostPattern> kHostPatterns = {
    {"host*.example-isp.net", 40},
    {"c-#-#-#-#.hsd1.ca.pacificcable.net", 30},
    {"p%%%%.dip0.netzwelle.de", 30},
    {"#-#-#-#.dyn.kabelnord.de", 14},
    {"lfbn-lyo-1-*-#.w#-#.abo.vague-telecom.fr", 20},
    {"fp%%%%.tkyc*.ap.sakura-hikari.ne.jp", 14},
    {"cpc*-lond#-2-0-cust#.brightwire.co.uk", 18},
    {"#-#-#-#.static.telecomnet.it", 8},
    {"#.red-#-#-#.dynamicip.redlink.es", 8},
    {"host-#-#-#-#.customer.swisslink.ch", 5},
    {"#-#-#-#.fibre.polnet.pl", 6},
    {"%%%%.bb.polder-net.nl", 6},
    {"ip#-#-#-#.adsl.maplenet.ca", 6},
    {"#-#-#-#.dsl.novaweb.com.br", 6},
    {"#.#.#.#.broadband.kangaroo-net.com.au", 5},
    {"lab*.cs.riverside-univ.edu", 3},
    {"ws*.office.lan", 1},
};

constexpr std::array<std::string_view, 6> kIpv6Prefixes = {"2a02:8109", "2a01:cb19", "2001:4c4c",
                                                           "2600:1700", "2409:8a28", "2a00:23c7"};

enum class Language { kEnglish, kGerman, kFrench, kSpanish, kJapanese, kRussian, kChinese };

struct SearchEngine {
    std::string_view before;  // the referrer up to the phrase; the whole referrer without one
    std::string_view after;
    Language language;
    bool has_phrase;
    uint32_t weight;
};

// clang-format off
const std::vector<SearchEngine> kSearchEngines = {
    {"https://www.google.com/search?q=", "&hl=en", Language::kEnglish, true, 300},
    {"https://www.google.com/search?q=", "&client=firefox-b-d", Language::kEnglish, true, 50},
    {"https://www.google.com/", "", Language::kEnglish, false, 120},
    {"https://www.google.de/search?q=", "&hl=de", Language::kGerman, true, 70},
    {"https://www.google.fr/search?q=", "&hl=fr", Language::kFrench, true, 45},
    {"https://www.google.co.uk/search?q=", "", Language::kEnglish, true, 55},
    {"https://www.google.co.jp/search?q=", "&hl=ja", Language::kJapanese, true, 15},
    {"https://www.google.es/search?q=", "", Language::kSpanish, true, 20},
    {"https://www.google.nl/search?q=", "", Language::kEnglish, true, 12},
    {"https://www.google.ca/search?q=", "", Language::kEnglish, true, 15},
    {"https://www.google.com.au/search?q=", "", Language::kEnglish, true, 12},
    {"https://www.bing.com/search?q=", "&form=QBLH", Language::kEnglish, true, 110},
    {"https://search.yahoo.com/search?p=", "&fr=yfp-t", Language::kEnglish, true, 30},
    {"https://search.yahoo.co.jp/search?p=", "&ei=UTF-8", Language::kJapanese, true, 8},
    {"https://yandex.ru/search/?text=", "&lr=213", Language::kRussian, true, 22},
    {"https://duckduckgo.com/?q=", "&ia=web", Language::kEnglish, true, 35},
    {"https://duckduckgo.com/", "", Language::kEnglish, false, 30},
    {"https://www.baidu.com/s?wd=", "&ie=utf-8", Language::kChinese, true, 7},
    {"https://www.ecosia.org/search?method=index&q=", "", Language::kGerman, true, 15},
    {"https://www.qwant.com/?q=", "&t=web", Language::kFrench, true, 8},
    {"https://www.startpage.com/sp/search?query=", "", Language::kEnglish, true, 6},
    {"https://search.brave.com/search?q=", "&source=web", Language::kEnglish, true, 14},
    {"https://www.ask.com/web?q=", "", Language::kEnglish, true, 3},
    {"https://search.aol.com/aol/search?q=", "", Language::kEnglish, true, 3},
    {"https://search.naver.com/search.naver?where=nexearch&query=", "", Language::kEnglish, true, 3},
    {"https://search.seznam.cz/?q=", "", Language::kEnglish, true, 3},
    {"https://www.sogou.com/web?query=", "", Language::kChinese, true, 2},
};

const std::array<std::vector<std::string_view>, 7> kSearchTerms = {{
    {"tent", "ultralight tent", "2 person tent", "sleeping bag", "backpack", "hiking boots",
     "camping stove", "headlamp", "rain jacket", "best", "review", "2026", "winter", "women's",
     "kids", "waterproof", "sale", "size chart", "how to pitch a tent", "packing list",
     "water filter", "trekking poles", "example outfitters", "alpine lite", "down jacket care",
     "climbing harness", "gps watch", "near me", "free shipping", "vs"},
    {"zelt", "schlafsack", "wanderschuhe", "rucksack", "test", "leicht", "winter", "kaufen",
     "günstig", "stirnlampe", "regenjacke", "2 personen"},
    {"tente", "sac de couchage", "randonnée", "léger", "chaussures", "avis", "pas cher",
     "réchaud", "lampe frontale"},
    {"tienda de campaña", "saco de dormir", "mochila", "barata", "opiniones", "botas"},
    {"テント", "寝袋", "登山靴", "おすすめ", "軽量"},
    {"палатка", "спальник", "рюкзак", "купить", "отзывы"},
    {"帐篷", "睡袋", "登山鞋", "推荐"},
}};

struct OtherReferrer {
    std::string_view text;
    uint32_t weight;
};
const std::vector<OtherReferrer> kOtherReferrers = {
    {"https://www.reddit.com/r/CampingGear/comments/1o2k9x/", 20},
    {"https://old.reddit.com/r/Ultralight/", 8},
    {"https://news.ycombinator.com/item?id=45123987", 5},
    {"https://t.co/Xk39fLq2Zp", 10},
    {"https://l.facebook.com/", 15},
    {"https://lm.facebook.com/", 6},
    {"https://www.instagram.com/", 8},
    {"https://en.wikipedia.org/wiki/Tent", 6},
    {"https://de.wikipedia.org/wiki/Zelt", 3},
    {"https://mastodon.social/@trailnotes", 3},
    {"https://www.youtube.com/", 8},
    {"https://forum.outdoor-talk.net/threads/tent-advice.48213/", 6},
    {"https://www.trailblog.org/gear-list-2026/", 5},
    {"android-app://com.google.android.gm/", 6},
    {"https://outlook.live.com/", 4},
    {"https://chatgpt.com/", 6},
    {"https://www.pinterest.com/pin/58124/", 4},
    {"https://www.linkedin.com/", 2},
};
// clang-format on

// The random parts of host names come from this; it keeps names and numbers believable.
class HostMaker {
  public:
    std::string Make(HostStyle style, Random& random) const {
        switch (style) {
            case HostStyle::kConsumer:
                if (random.Percent(7)) return Ipv6(random);
                if (random.Percent(65)) return Ipv4(random);
                return Fill(kHostPatterns[patterns_.Pick(random)].pattern, random);
            case HostStyle::kDatacenter:
                return Ipv4(random);
            case HostStyle::kGoogle:
                return Fill("crawl-66-249-#-#.googlebot.com", random);
            case HostStyle::kBing:
                return Fill("msnbot-40-77-#-#.search.msn.com", random);
            case HostStyle::kYandex:
                return Fill("5-255-#-#.spider.yandex.com", random);
            case HostStyle::kBaidu:
                return Fill("baiduspider-220-181-108-#.crawl.baidu.com", random);
            case HostStyle::kApple:
                return Fill("17-58-#-#.applebot.apple.com", random);
        }
        return Ipv4(random);
    }

  private:
    static std::string Ipv4(Random& random) {
        uint64_t first = 0;
        do {
            first = static_cast<uint64_t>(random.Between(1, 223));
        } while (first == 10 || first == 100 || first == 127 || first == 169 || first == 172 ||
                 first == 192);
        std::string text = std::to_string(first);
        for (int i = 0; i < 3; ++i) text += "." + std::to_string(random.Between(0, 255));
        return text;
    }

    static std::string Ipv6(Random& random) {
        std::string text(random.Pick(kIpv6Prefixes));
        char group[8];
        for (int i = 0; i < 3; ++i) {
            std::snprintf(group, sizeof group, ":%x", static_cast<unsigned>(random.Below(65536)));
            text += group;
        }
        std::snprintf(group, sizeof group, "::%x", static_cast<unsigned>(random.Below(65536)));
        return text + group;
    }

    static std::string Fill(std::string_view pattern, Random& random) {
        std::string text;
        char hex[4];
        for (char c : pattern) {
            if (c == '#') {
                text += std::to_string(random.Between(0, 255));
            } else if (c == '*') {
                text += std::to_string(random.Between(1, 99999));
            } else if (c == '%') {
                std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(random.Below(256)));
                text += hex;
            } else {
                text += c;
            }
        }
        return text;
    }

    WeightedChoice patterns_ = ChoiceByWeight(kHostPatterns);
};

// Query-string encoding as browsers send search phrases: '+' or "%20" for spaces.
void AppendEncoded(std::string& out, std::string_view text, bool plus_for_space) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else if (c == ' ' && plus_for_space) {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

// One to four search terms; now and then the first one is quoted.
std::string SearchPhrase(Language language, Random& random) {
    const auto& terms = kSearchTerms[static_cast<size_t>(language)];
    const int64_t count = random.Percent(30) ? 1 : random.Between(2, 4);
    const bool quoted = random.Percent(6);
    std::string phrase;
    for (int64_t i = 0; i < count; ++i) {
        if (i > 0) phrase += ' ';
        if (quoted && i == 0) {
            phrase += '"';
            phrase += random.Pick(terms);
            phrase += '"';
        } else {
            phrase += random.Pick(terms);
        }
    }
    return phrase;
}

// ------------------------------------------------------------------------------------------------
// Visitors and the requests they make

// A request that has to come next: the redirect target after a form, the retry after a 401.
struct Step {
    std::string_view method;
    size_t resource;
    uint16_t status;
    bool with_user = false;
};

struct Visitor {
    std::string host;
    std::string_view agent;
    std::string_view user;  // member name; a browser sends it only inside the members' folder
    std::string_view protocol;
    VisitorKind kind = VisitorKind::kBrowser;
    bool iphone = false;

    int visits = 0;      // sessions started so far
    int pages_left = 0;  // page views left in this session
    bool session_start = false;
    bool shared_loaded = false;  // the site's style, scripts and fonts fetched in this session
    bool authenticated = false;
    std::string location;          // path and query of the last page, for own-site referrers
    std::string step_referrer;     // the referrer the pending steps carry
    std::vector<uint16_t> assets;  // still to fetch for the last page, last one first
    std::vector<Step> steps;       // requests that must come next, last one first
};

struct Hit {
    std::string_view host;
    std::string_view user;
    std::string_view method;
    std::string target;  // path and query
    std::string_view protocol;
    uint16_t status = 200;
    int64_t bytes = -1;    // negative: no body, logged as "-"
    std::string referrer;  // empty: none
    std::string_view agent;
};

constexpr int64_t kNotFoundBytes = 196;
constexpr int64_t kForbiddenBytes = 199;

class Traffic {
  public:
    // The uptime monitor checks every `monitor_period`.
    Traffic(const Site& site, Millis monitor_period)
        : site_(site), monitor_period_(monitor_period) {}

    Visitor NewVisitor(Random& random) const {
        const AgentProfile& profile = kAgents[agents_.Pick(random)];
        Visitor v;
        v.kind = profile.kind;
        v.agent = profile.text;
        v.host = hosts_.Make(profile.hosts, random);
        v.iphone = profile.text.find("iPhone") != std::string_view::npos;
        if (v.kind == VisitorKind::kMember) v.user = random.Pick(kMembers);
        switch (v.kind) {
            case VisitorKind::kBrowser:
            case VisitorKind::kMember:
                v.protocol = random.Percent(65) ? "HTTP/2.0" : "HTTP/1.1";
                break;
            case VisitorKind::kApp:
                v.protocol = "HTTP/2.0";
                break;
            case VisitorKind::kCrawler:
                v.protocol = random.Percent(20) ? "HTTP/2.0" : "HTTP/1.1";
                break;
            default:
                v.protocol = random.Percent(25) ? "HTTP/1.0" : "HTTP/1.1";
                break;
        }
        return v;
    }

    // An uptime check that asks for the home page at a fixed period, all through the log.
    Visitor NewMonitor(Random& random) const {
        Visitor v;
        v.kind = VisitorKind::kMonitor;
        v.agent = kMonitorAgent;
        v.host = hosts_.Make(HostStyle::kDatacenter, random);
        v.protocol = "HTTP/1.1";
        return v;
    }

    void StartSession(Visitor& v, Random& random) const {
        ++v.visits;
        v.session_start = true;
        v.shared_loaded = false;
        v.authenticated = false;
        v.assets.clear();
        v.steps.clear();
        switch (v.kind) {
            case VisitorKind::kBrowser:
            case VisitorKind::kMember:
                v.pages_left = random.Percent(35) ? 1 : static_cast<int>(2 + random.Spread(4));
                break;
            case VisitorKind::kApp:
                v.pages_left = static_cast<int>(random.Between(3, 15));
                break;
            case VisitorKind::kCrawler:
                v.pages_left = static_cast<int>(random.Between(3, 60));
                break;
            case VisitorKind::kTool:
                v.pages_left = static_cast<int>(random.Between(1, 3));
                break;
            case VisitorKind::kScanner:
                v.pages_left = static_cast<int>(random.Between(4, 20));
                break;
            case VisitorKind::kMonitor:
                v.pages_left = 1;
                break;
        }
    }

    // The pause before the visitor's next session, or nothing when it does not come back.
    std::optional<Millis> ReturnDelay(const Visitor& v, Random& random) const {
        switch (v.kind) {
            case VisitorKind::kBrowser:
            case VisitorKind::kMember:
                if (v.visits < 4 && random.Percent(30)) {
                    return random.Between(31 * kMinute, 9 * kHour);
                }
                break;
            case VisitorKind::kApp:
                if (random.Percent(40)) return random.Between(kHour, 8 * kHour);
                break;
            case VisitorKind::kCrawler:
                if (random.Percent(85)) return random.Between(35 * kMinute, 4 * kHour);
                break;
            case VisitorKind::kTool:
                if (random.Percent(30)) return random.Between(kHour, 12 * kHour);
                break;
            case VisitorKind::kMonitor:
                return monitor_period_;
            case VisitorKind::kScanner:
                break;
        }
        return std::nullopt;
    }

    // Fills the visitor's next request and answers the pause until the one after it, or nothing
    // when the session is over.
    std::optional<Millis> NextRequest(Visitor& v, Random& random, Hit& hit) const {
        hit.host = v.host;
        hit.agent = v.agent;
        hit.protocol = v.protocol;
        hit.user = "-";
        hit.method = "GET";
        hit.referrer.clear();
        if (!v.assets.empty()) {
            Asset(v, random, hit);
        } else if (!v.steps.empty()) {
            TakeStep(v, random, hit);
        } else {
            switch (v.kind) {
                case VisitorKind::kBrowser:
                    BrowserPage(v, random, hit);
                    break;
                case VisitorKind::kMember:
                    MemberPage(v, random, hit);
                    break;
                case VisitorKind::kApp:
                    AppRequest(v, random, hit);
                    break;
                case VisitorKind::kCrawler:
                    CrawlerRequest(v, random, hit);
                    break;
                case VisitorKind::kTool:
                    ToolRequest(v, random, hit);
                    break;
                case VisitorKind::kScanner:
                    ScannerRequest(v, random, hit);
                    break;
                case VisitorKind::kMonitor:
                    SetResource(hit, site_.home, random);
                    hit.method = "HEAD";
                    hit.bytes = -1;
                    --v.pages_left;
                    break;
            }
            v.session_start = false;
        }
        return Pause(v, random, hit);
    }

  private:
    std::optional<Millis> Pause(const Visitor& v, Random& random, const Hit& hit) const {
        if (!v.assets.empty()) return random.Between(5, 450);
        if (!v.steps.empty()) {
            // A redirect is followed at once; a login form or a purchase takes a while.
            return hit.status >= 300 && hit.status < 400 ? random.Between(80, 600)
                                                         : random.Between(3, 25) * kSecond;
        }
        if (v.pages_left <= 0) return std::nullopt;
        switch (v.kind) {
            case VisitorKind::kApp:
                return random.Between(1, 30) * kSecond;
            case VisitorKind::kCrawler:
                return random.Between(2, 40) * kSecond;
            case VisitorKind::kTool:
                return random.Between(1, 20) * kSecond;
            case VisitorKind::kScanner:
                return random.Between(100, 1500);
            default:
                return 3 * kSecond + random.Spread(40 * kSecond);
        }
    }

    void SetResource(Hit& hit, size_t index, Random& random) const {
        const Resource& r = site_[index];
        hit.target = r.path;
        hit.status = 200;
        hit.bytes = r.bytes;
        if (r.dynamic) {
            hit.bytes += static_cast<int64_t>(random.Below(r.bytes / 8 + 1));
            if (random.PerMille(3)) {
                hit.status = 500;
                hit.bytes = 531;
            }
        }
    }

    static void SetOwnReferrer(Hit& hit, std::string_view location) {
        hit.referrer = kOwnSite;
        hit.referrer += location;
    }

    void SetExternalReferrer(const Visitor& v, Random& random, Hit& hit) const {
        const uint64_t direct = v.visits > 1 ? 70 : 45;
        const uint64_t roll = random.Below(100);
        if (roll < direct) return;
        if (roll >= direct + (100 - direct) * 3 / 4) {
            hit.referrer = kOtherReferrers[others_.Pick(random)].text;
            return;
        }
        const SearchEngine& engine = kSearchEngines[engines_.Pick(random)];
        hit.referrer = engine.before;
        if (random.Percent(12)) hit.referrer.replace(0, 5, "http");
        if (!engine.has_phrase) return;
        AppendEncoded(hit.referrer, SearchPhrase(engine.language, random), random.Percent(75));
        hit.referrer += engine.after;
    }

    // A page view: remembers the page and queues what a browser loads with it: the site's
    // shared files once per session, then the page's pictures. On later visits the versioned
    // files are still cached and the others are revalidated.
    void View(Visitor& v, const Hit& hit, size_t page) const {
        v.location = hit.target;
        if (hit.status != 200 || v.kind == VisitorKind::kCrawler) return;
        v.assets.assign(site_[page].images.rbegin(), site_[page].images.rend());
        if (v.shared_loaded) return;
        v.shared_loaded = true;
        if (v.visits == 1) {
            v.assets.insert(v.assets.begin(), static_cast<uint16_t>(site_.favicon));
            if (v.iphone)
                v.assets.insert(v.assets.begin(), static_cast<uint16_t>(site_.touch_icon));
        }
        const auto& shared = site_.shared_assets();
        for (auto asset = shared.rbegin(); asset != shared.rend(); ++asset) {
            const bool versioned = site_[*asset].path.find("?v=") != std::string::npos;
            if (v.visits == 1 || !versioned) v.assets.push_back(*asset);
        }
    }

    void Asset(Visitor& v, Random& random, Hit& hit) const {
        const size_t asset = v.assets.back();
        v.assets.pop_back();
        SetResource(hit, asset, random);
        SetOwnReferrer(hit, site_.IsFont(asset) ? site_[site_.stylesheet()].path : v.location);
        const bool cached = v.visits > 1 && !site_[asset].path.starts_with("/img/");
        if (cached ? random.Percent(85) : random.PerMille(15)) {
            hit.status = 304;
            hit.bytes = -1;
        } else if (asset == site_.touch_icon) {
            hit.status = 404;
            hit.bytes = kNotFoundBytes;
        }
    }

    void TakeStep(Visitor& v, Random& random, Hit& hit) const {
        const Step step = v.steps.back();
        v.steps.pop_back();
        SetResource(hit, step.resource, random);
        hit.method = step.method;
        hit.status = step.status;
        hit.referrer = v.step_referrer;
        if (step.with_user) hit.user = v.user;
        switch (step.status) {
            case 200:
                if (site_.IsMemberPage(step.resource)) v.authenticated = true;
                View(v, hit, step.resource);
                v.step_referrer = std::string(kOwnSite) + v.location;
                break;
            case 302:  // the redirected request keeps the form page as its referrer
                hit.bytes = random.Percent(50) ? -1 : 229;
                break;
            case 401:
                hit.bytes = 381;
                break;
            default:
                break;
        }
    }

    // Where a browser goes next, with the forms it may send from there.
    void BrowserPage(Visitor& v, Random& random, Hit& hit) const {
        --v.pages_left;
        if (v.session_start) {
            const size_t page = site_.PickPage(random);
            SetResource(hit, page, random);
            SetExternalReferrer(v, random, hit);
            if (!hit.referrer.empty() && random.Percent(5)) {
                hit.target += "?utm_source=newsletter&utm_medium=email";
            }
            return Arrive(v, random, hit, page);
        }
        SetOwnReferrer(hit, v.location);
        if (random.Percent(6)) {
            SetResource(hit, site_.search, random);
            hit.target += "?q=";
            AppendEncoded(hit.target, SearchPhrase(Language::kEnglish, random), true);
            return View(v, hit, site_.search);
        }
        if (random.PerMille(8)) {
            hit.target = random.Pick(kGonePages);
            hit.status = 404;
            hit.bytes = kNotFoundBytes;
            return;
        }
        if (random.PerMille(15)) {
            SetResource(hit, site_.catalogue, random);
            if (random.Percent(50)) {
                hit.status = 206;
                hit.bytes = random.Between(16 * 1024, 2 * 1024 * 1024);
            }
            return;
        }
        const size_t page = random.Percent(3) ? site_.contact : site_.PickPage(random);
        SetResource(hit, page, random);
        Arrive(v, random, hit, page);
    }

    // A page reached by a link: a folder link without its slash is redirected first, and a
    // product or the contact form may lead on to a form post.
    void Arrive(Visitor& v, Random& random, Hit& hit, size_t page) const {
        const std::string& path = site_[page].path;
        if (path.size() > 1 && path.ends_with('/') && hit.target == path && random.Percent(2)) {
            hit.target.pop_back();
            hit.status = 301;
            hit.bytes = 239;
            v.step_referrer = hit.referrer;
            v.steps.push_back({"GET", page, 200});
            return;
        }
        View(v, hit, page);
        if (hit.status != 200) return;
        v.step_referrer = std::string(kOwnSite) + v.location;
        if (page == site_.contact && random.Percent(25)) {
            v.steps = {{"GET", site_.contact_thanks, 200}, {"POST", site_.contact, 302}};
        } else if (site_.IsProduct(page) && random.Percent(4)) {
            v.steps = {{"GET", site_.cart, 200}, {"POST", site_.cart, 302}};
            if (random.Percent(35)) {
                v.steps.insert(v.steps.begin(),
                               {{"GET", site_.thanks, 200}, {"POST", site_.checkout, 302}});
            }
        }
    }

    // Members log in through HTTP basic authentication: a 401 first, now and then a wrong
    // password, then the folder's pages carry their name.
    void MemberPage(Visitor& v, Random& random, Hit& hit) const {
        if (!v.session_start && random.Percent(25)) return BrowserPage(v, random, hit);
        --v.pages_left;
        const size_t page = v.session_start ? site_.members_home : site_.PickMemberPage(random);
        SetResource(hit, page, random);
        if (v.session_start)
            SetExternalReferrer(v, random, hit);
        else
            SetOwnReferrer(hit, v.location);
        if (v.authenticated) {
            hit.user = v.user;
            return View(v, hit, page);
        }
        hit.status = 401;
        hit.bytes = 381;
        v.location = hit.target;
        v.step_referrer = hit.referrer;
        v.steps = {{"GET", page, 200, true}};
        if (random.Percent(8)) v.steps.push_back({"GET", page, 401, true});
    }

    // The shop's phone app talks to the API and loads product pictures.
    void AppRequest(Visitor& v, Random& random, Hit& hit) const {
        --v.pages_left;
        const uint64_t roll = random.Below(100);
        if (roll < 45) {
            SetResource(hit, site_.stock_api, random);
            hit.target += "?sku=" + std::to_string(random.Between(10000, 10999));
        } else if (roll < 75) {
            SetResource(hit, site_.products_api, random);
            hit.target += "?cat=" + std::string(random.Pick(kCategories)) +
                          "&page=" + std::to_string(random.Between(1, 4));
        } else if (roll < 85) {
            SetResource(hit, site_.cart_api, random);
            hit.method = "POST";
        } else {
            const size_t page = site_.PickProduct(random);
            const auto& images = site_[page].images;
            SetResource(hit, images[random.Below(images.size())], random);
        }
    }

    void CrawlerRequest(Visitor& v, Random& random, Hit& hit) const {
        --v.pages_left;
        if (v.session_start && v.visits == 1) return SetResource(hit, site_.robots, random);
        const uint64_t roll = random.Below(100);
        if (roll < 4) return SetResource(hit, site_.sitemap, random);
        if (roll < 6) return SetResource(hit, site_.feed, random);
        if (roll < 7) {
            hit.target = random.Pick(kGonePages);
            hit.status = 404;
            hit.bytes = kNotFoundBytes;
            return;
        }
        SetResource(hit, roll < 60 ? site_.PickPage(random) : site_.PickAnyPage(random), random);
        if (random.Percent(10)) {
            hit.status = 304;
            hit.bytes = -1;
        }
    }

    void ToolRequest(Visitor& v, Random& random, Hit& hit) const {
        --v.pages_left;
        const uint64_t roll = random.Below(100);
        if (roll < 35) {
            SetResource(hit, site_.stock_api, random);
            hit.target += "?sku=" + std::to_string(random.Between(10000, 10999));
        } else if (roll < 60) {
            SetResource(hit, site_.feed, random);
        } else if (roll < 65) {
            SetResource(hit, site_.catalogue, random);
        } else {
            SetResource(hit, site_.home, random);
            if (random.Percent(40)) {
                hit.method = "HEAD";
                hit.bytes = -1;
            }
        }
    }

    void ScannerRequest(Visitor& v, Random& random, Hit& hit) const {
        --v.pages_left;
        const Probe& probe = random.Pick(kProbes);
        hit.method = probe.method;
        hit.target = probe.path;
        hit.status = probe.status;
        hit.bytes = probe.status == 404   ? kNotFoundBytes
                    : probe.status == 403 ? kForbiddenBytes
                                          : -1;
        if (random.Percent(20)) hit.protocol = "HTTP/1.0";
    }

    const Site& site_;
    Millis monitor_period_;
    HostMaker hosts_;
    WeightedChoice agents_ = ChoiceByWeight(kAgents);
    WeightedChoice engines_ = ChoiceByWeight(kSearchEngines);
    WeightedChoice others_ = ChoiceByWeight(kOtherReferrers);
};

// ------------------------------------------------------------------------------------------------
// Line writers

// Times are milliseconds since 1970-01-01 00:00 in the file's own zone.
class LogWriter {
  public:
    LogWriter(Output& out, Format format, int zone_minutes)
        : out_(out), format_(format), zone_minutes_(zone_minutes) {}

    void Header(Millis first_time) {
        if (format_ != Format::kW3c) return;
        out_.Put("#Software: Vestrel loggen 1.0");
        out_.EndLine();
        out_.Put("#Version: 1.0");
        out_.EndLine();
        out_.Put("#Date: ");
        out_.Put(W3cTime(first_time));
        out_.EndLine();
        out_.Put(
            "#Fields: date time c-ip cs-username cs-method cs-uri-stem cs-uri-query sc-status "
            "sc-bytes cs-version cs(User-Agent) cs(Referer)");
        out_.EndLine();
    }

    void Write(Millis time, const Hit& hit) {
        if (format_ == Format::kW3c) {
            WriteW3c(time, hit);
        } else {
            WriteNcsa(time, hit);
        }
        out_.EndLine();
    }

  private:
    void WriteNcsa(Millis time, const Hit& hit) {
        out_.Put(hit.host);
        out_.Put(" - ");
        out_.Put(hit.user);
        out_.Put(" [");
        out_.Put(NcsaTime(time));
        out_.Put("] \"");
        out_.Put(hit.method);
        out_.Put(' ');
        out_.Put(hit.target);
        out_.Put(' ');
        out_.Put(hit.protocol);
        out_.Put("\" ");
        out_.PutNumber(hit.status);
        out_.Put(' ');
        PutBytes(hit.bytes);
        if (format_ == Format::kCommon) return;
        out_.Put(" \"");
        out_.Put(hit.referrer.empty() ? std::string_view("-") : hit.referrer);
        out_.Put("\" \"");
        out_.Put(hit.agent);
        out_.Put('"');
    }

    void WriteW3c(Millis time, const Hit& hit) {
        const std::string_view target = hit.target;
        const size_t query = target.find('?');
        out_.Put(W3cTime(time));
        out_.Put(' ');
        out_.Put(hit.host);
        out_.Put(' ');
        out_.PutPlussed(hit.user);
        out_.Put(' ');
        out_.Put(hit.method);
        out_.Put(' ');
        out_.Put(target.substr(0, query));
        out_.Put(' ');
        out_.Put(query == std::string_view::npos ? "-" : target.substr(query + 1));
        out_.Put(' ');
        out_.PutNumber(hit.status);
        out_.Put(' ');
        out_.PutNumber(static_cast<uint64_t>(std::max<int64_t>(hit.bytes, 0)));
        out_.Put(' ');
        out_.Put(hit.protocol);
        out_.Put(' ');
        out_.PutPlussed(hit.agent);
        out_.Put(' ');
        out_.PutPlussed(hit.referrer.empty() ? std::string_view("-") : hit.referrer);
    }

    void PutBytes(int64_t bytes) {
        if (bytes < 0) {
            out_.Put('-');
        } else {
            out_.PutNumber(static_cast<uint64_t>(bytes));
        }
    }

    // dd/Mon/yyyy:HH:MM:SS +hhmm, rebuilt only when the second changes.
    std::string_view NcsaTime(Millis time) {
        const int64_t second = FloorDiv(time, kSecond);
        if (second != ncsa_second_) {
            ncsa_second_ = second;
            const int64_t day = FloorDiv(second, 86400);
            const int64_t of_day = second - day * 86400;
            const CivilDate date = CivilFromDays(day);
            const int zone = std::abs(zone_minutes_);
            std::snprintf(
                ncsa_text_, sizeof ncsa_text_, "%02u/%s/%04lld:%02lld:%02lld:%02lld %c%02d%02d",
                date.day, kMonthNames[date.month - 1].data(), static_cast<long long>(date.year),
                static_cast<long long>(of_day / 3600), static_cast<long long>(of_day / 60 % 60),
                static_cast<long long>(of_day % 60), zone_minutes_ < 0 ? '-' : '+', zone / 60,
                zone % 60);
        }
        return ncsa_text_;
    }

    // yyyy-mm-dd HH:MM:SS in UTC, as IIS writes it.
    std::string_view W3cTime(Millis time) {
        const int64_t second = FloorDiv(time, kSecond) - int64_t{zone_minutes_} * 60;
        if (second != w3c_second_) {
            w3c_second_ = second;
            const int64_t day = FloorDiv(second, 86400);
            const int64_t of_day = second - day * 86400;
            const CivilDate date = CivilFromDays(day);
            std::snprintf(w3c_text_, sizeof w3c_text_, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                          static_cast<long long>(date.year), date.month, date.day,
                          static_cast<long long>(of_day / 3600),
                          static_cast<long long>(of_day / 60 % 60),
                          static_cast<long long>(of_day % 60));
        }
        return w3c_text_;
    }

    static int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b < 0); }

    Output& out_;
    Format format_;
    int zone_minutes_;
    int64_t ncsa_second_ = INT64_MIN;
    int64_t w3c_second_ = INT64_MIN;
    char ncsa_text_[64] = {};
    char w3c_text_[64] = {};
};

// Puts a mark of the line number in front of the path, so no two lines share a path.
void MakeDistinct(std::string& target, uint64_t line) {
    char prefix[24] = "/u/";
    const auto end = std::to_chars(prefix + 3, prefix + sizeof prefix, line, 36).ptr;
    target.insert(0, prefix, static_cast<size_t>(end - prefix));
}

// ------------------------------------------------------------------------------------------------
// Schedules: who makes the next request, and when

class Generator {
  public:
    // At the default pace of two lines a second the monitor checks every five minutes.
    Generator(const Options& options, LogWriter& writer)
        : options_(options),
          writer_(writer),
          per_line_(options.days > 0 ? static_cast<Millis>(options.days) * kDay /
                                           static_cast<Millis>(std::max<uint64_t>(options.lines, 1))
                                     : kSecond / 2),
          random_(options.seed),
          traffic_(site_, 600 * per_line_) {}

    void Run() {
        const Millis start = options_.start_day * kDay;
        writer_.Header(start);
        if (options_.active_hosts > 0) {
            RunActiveHosts(start);
        } else {
            RunSessions(start);
        }
    }

  private:
    void Emit(Millis time, const Hit& hit, uint64_t line) {
        if (!options_.distinct_paths) return writer_.Write(time, hit);
        distinct_ = hit;
        MakeDistinct(distinct_.target, line);
        writer_.Write(time, distinct_);
    }

    // Visitors arrive at random, busier by day than by night, and each follows its own
    // sessions; an event queue keeps the lines in time order.
    void RunSessions(Millis start) {
        struct Event {
            Millis time;
            uint64_t order;  // ties go to the earlier event, for a stable output
            size_t slot;
            bool operator>(const Event& other) const {
                return time != other.time ? time > other.time : order > other.order;
            }
        };
        std::priority_queue<Event, std::vector<Event>, std::greater<>> events;
        std::vector<Visitor> visitors;
        std::vector<size_t> free_slots;
        uint64_t order = 0;
        auto schedule = [&](Millis time, size_t slot) { events.push({time, order++, slot}); };

        visitors.push_back(traffic_.NewMonitor(random_));
        traffic_.StartSession(visitors.back(), random_);
        schedule(start + random_.Between(0, 600 * per_line_), 0);

        uint64_t arrivals = 0;
        Millis next_arrival = start;
        Hit hit;
        for (uint64_t line = 0; line < options_.lines; ++line) {
            // The monitor never leaves, so the queue is never empty.
            while (next_arrival <= events.top().time) {
                size_t slot = visitors.size();
                if (free_slots.empty()) {
                    visitors.push_back(traffic_.NewVisitor(random_));
                } else {
                    slot = free_slots.back();
                    free_slots.pop_back();
                    visitors[slot] = traffic_.NewVisitor(random_);
                }
                traffic_.StartSession(visitors[slot], random_);
                schedule(next_arrival, slot);
                ++arrivals;
                next_arrival += ArrivalGap(next_arrival, start, line, arrivals);
            }
            const Event event = events.top();
            events.pop();
            Visitor& v = visitors[event.slot];
            const std::optional<Millis> pause = traffic_.NextRequest(v, random_, hit);
            Emit(event.time, hit, line);
            if (pause) {
                schedule(event.time + *pause, event.slot);
            } else if (const auto away = traffic_.ReturnDelay(v, random_)) {
                traffic_.StartSession(v, random_);
                schedule(event.time + *away, event.slot);
            } else {
                free_slots.push_back(event.slot);
            }
        }
    }

    // The mean gap between arrivals follows the lines each visitor has made so far and how far
    // the lines run ahead of or behind the clock, so the log keeps its pace; the hour of day
    // scales it.
    Millis ArrivalGap(Millis now, Millis start, uint64_t lines, uint64_t arrivals) {
        // Relative traffic per hour of the day, in percent; the mean is 100.
        constexpr std::array<int64_t, 24> kHourly = {40,  28,  22,  20,  20,  26,  42,  64,
                                                     88,  108, 122, 128, 130, 128, 124, 124,
                                                     128, 134, 138, 142, 136, 118, 90,  60};
        // Before many visitors are counted, assume the long-run mean of about 24 lines each.
        constexpr int64_t kPriorLines = 24, kPriorVisitors = 64;
        const int64_t per_visitor = (static_cast<int64_t>(lines) + kPriorLines * kPriorVisitors) /
                                    (static_cast<int64_t>(arrivals) + kPriorVisitors);
        const int64_t hour = ((now / kHour) % 24 + 24) % 24;
        Millis mean = per_line_ * per_visitor * 100 / kHourly[static_cast<size_t>(hour)];
        // Ahead or behind by up to a factor of four; the warm-up damps the first minutes.
        const Millis warm_up = 200 * per_line_;
        const Millis due = static_cast<Millis>(lines) * per_line_ + warm_up;
        const Millis elapsed = now - start + warm_up;
        mean = mean * std::clamp<Millis>(due * 4 / elapsed, 1, 16) / 4;
        return std::max<Millis>(1, random_.Spread(mean));
    }

    // A fixed crowd of hosts, each making one request per round in a shuffled order; a round
    // lasts ten minutes, so no host is idle for 30 minutes and every session stays open.
    void RunActiveHosts(Millis start) {
        constexpr Millis kRound = 10 * kMinute;
        const uint64_t count = options_.active_hosts;
        std::vector<Visitor> visitors;
        std::unordered_set<std::string> hosts;
        visitors.reserve(count);
        while (visitors.size() < count) {
            Visitor v = traffic_.NewVisitor(random_);
            if (!hosts.insert(v.host).second) continue;
            traffic_.StartSession(v, random_);
            visitors.push_back(std::move(v));
        }
        std::vector<size_t> order(count);
        for (size_t i = 0; i < count; ++i) order[i] = i;
        Hit hit;
        for (uint64_t line = 0; line < options_.lines; ++line) {
            const uint64_t position = line % count;
            if (position == 0) {
                for (size_t i = count; i > 1; --i) std::swap(order[i - 1], order[random_.Below(i)]);
            }
            Visitor& v = visitors[order[position]];
            const Millis time = start + static_cast<Millis>(line * kRound / count);
            if (!traffic_.NextRequest(v, random_, hit)) traffic_.StartSession(v, random_);
            Emit(time, hit, line);
        }
    }

    const Options& options_;
    LogWriter& writer_;
    Millis per_line_;
    Random random_;
    Site site_;
    Traffic traffic_;
    Hit distinct_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }
    Output out(options->gzip);
    if (!out.Open(options->out)) {
        std::fprintf(stderr, "loggen: cannot create %s: %s\n", options->out.c_str(),
                     std::strerror(errno));
        return 1;
    }
    LogWriter writer(out, options->format, options->zone_minutes);
    Generator(*options, writer).Run();
    if (!out.Close()) {
        std::fprintf(stderr, "loggen: writing %s failed\n", options->out.c_str());
        return 1;
    }
    return 0;
}

// Cache file layout, little-endian, records one after another with no header: 4 bytes address
// octets in written order, int32 NameLength, NameLength bytes of name, 8-byte IEEE double Resolved.
#include "engine/dns_cache.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/errors.h"
#include "engine/temp_files.h"

namespace vestrel {

namespace {

constexpr double kCacheLifetimeDays = 30;   // older names are looked up again
constexpr size_t kLongestAddressText = 15;  // "255.255.255.255"
constexpr size_t kResolvedSize = 8;

uint32_t LittleEndian32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t LittleEndian64(const unsigned char* bytes) {
    return LittleEndian32(bytes) | static_cast<uint64_t>(LittleEndian32(bytes + 4)) << 32;
}

void AppendLittleEndian32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

void AppendLittleEndian64(std::string& out, uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// Reads the records of an open cache file of `fileSize` bytes into `kept`. A truncated final
// record is dropped; a name length that is negative or beyond the end of the file ends the reading.
void ReadRecords(std::FILE* file, long fileSize, double today, std::vector<TDNSData>& kept) {
    long position = 0;
    unsigned char head[8];
    unsigned char resolvedBytes[kResolvedSize];
    while (std::fread(head, 1, sizeof head, file) == sizeof head) {
        position += sizeof head;
        const int32_t nameLength = static_cast<int32_t>(LittleEndian32(head + 4));
        if (nameLength < 0 || nameLength > fileSize - position) return;
        std::string name(static_cast<size_t>(nameLength), '\0');
        if (std::fread(name.data(), 1, name.size(), file) != name.size()) return;
        if (std::fread(resolvedBytes, 1, kResolvedSize, file) != kResolvedSize) return;
        position += nameLength + static_cast<long>(kResolvedSize);
        const double resolved = std::bit_cast<double>(LittleEndian64(resolvedBytes));
        if (nameLength == 0 || today - resolved >= kCacheLifetimeDays) continue;
        kept.push_back({LittleEndian32(head), std::move(name), resolved});
    }
}

long FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file);
    std::rewind(file);
    return size;
}

std::string SerializeEntries(const std::vector<TDNSData>& entries) {
    std::string bytes;
    for (const TDNSData& entry : entries) {
        AppendLittleEndian32(bytes, entry.Address);
        AppendLittleEndian32(bytes, static_cast<uint32_t>(entry.Name.size()));
        bytes += entry.Name;
        AppendLittleEndian64(bytes, std::bit_cast<uint64_t>(entry.Resolved));
    }
    return bytes;
}

// 0 when every byte reached the file, else the error number.
int WriteAll(int fd, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return EIO;
        written += static_cast<size_t>(count);
    }
    return 0;
}

// mkstemp creates the file for its owner only; the cache gets the permissions of a new file.
void ApplyDefaultPermissions(int fd) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

std::string WriteErrorText(const std::string& fileName, int errorNumber) {
    return "Cannot write file \"" + fileName + "\". " + std::strerror(errorNumber);
}

// Hoare partitioning around the middle element; recursing into the smaller part keeps the
// stack shallow whatever the input order.
void QuickSort(std::vector<TDNSData>& entries, ptrdiff_t left, ptrdiff_t right) {
    while (left < right) {
        ptrdiff_t i = left, j = right;
        const uint32_t pivot = entries[static_cast<size_t>(left + (right - left) / 2)].Address;
        while (i <= j) {
            while (entries[static_cast<size_t>(i)].Address < pivot) ++i;
            while (entries[static_cast<size_t>(j)].Address > pivot) --j;
            if (i <= j)
                std::swap(entries[static_cast<size_t>(i++)], entries[static_cast<size_t>(j--)]);
        }
        if (j - left < right - i) {
            QuickSort(entries, left, j);
            left = i;
        } else {
            QuickSort(entries, i, right);
            right = j;
        }
    }
}

}  // namespace

bool HostAddress(std::string_view host, uint32_t& address) {
    if (host.empty() || host[0] < '1' || host[0] > '9' || host.size() > kLongestAddressText)
        return false;
    // inet_pton would stop at a NUL and accept what comes before it.
    if (host.find('\0') != std::string_view::npos) return false;
    char text[kLongestAddressText + 1];
    host.copy(text, host.size());
    text[host.size()] = '\0';
    unsigned char octets[4];
    if (inet_pton(AF_INET, text, octets) != 1) return false;
    address = LittleEndian32(octets);
    return true;
}

void TDNSCache::Load(const std::string& fileName, double today) {
    TFilePtr file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return;
    const long fileSize = FileSize(file.get());
    std::vector<TDNSData> kept;
    if (fileSize > 0) ReadRecords(file.get(), fileSize, today, kept);
    kept.shrink_to_fit();
    Entries = std::move(kept);
}

std::string_view TDNSCache::CachedHostName(std::string_view host) const {
    uint32_t address = 0;
    if (!HostAddress(host, address)) return host;
    const auto found = std::lower_bound(
        Entries.begin(), Entries.end(), address,
        [](const TDNSData& entry, uint32_t value) { return entry.Address < value; });
    if (found == Entries.end() || found->Address != address) return host;
    return found->Name;
}

void TDNSCache::Append(uint32_t address, std::string name, double resolved) {
    Entries.push_back({address, std::move(name), resolved});
}

void TDNSCache::Sort() {
    if (Entries.size() > 1) QuickSort(Entries, 0, static_cast<ptrdiff_t>(Entries.size()) - 1);
}

void TDNSCache::Write(const std::string& fileName) const {
    // The entries go to a new file beside the old one, which replaces it only once complete.
    const size_t slash = fileName.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    const std::string baseName = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
    RemoveLeftoverTempFiles(folder, baseName + "-", "");
    std::string tempName = TempFileTemplate(fileName);
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) throw EVestrelError(FileOpenErrorText(fileName, errno));
    TTempFile owner(tempName);
    ApplyDefaultPermissions(fd);
    int errorNumber = WriteAll(fd, SerializeEntries(Entries));
    if (errorNumber == 0 && ::fsync(fd) != 0) errorNumber = errno;
    if (::close(fd) != 0 && errorNumber == 0) errorNumber = errno;
    if (errorNumber == 0 && std::rename(tempName.c_str(), fileName.c_str()) != 0)
        errorNumber = errno;
    if (errorNumber != 0) throw EVestrelError(WriteErrorText(fileName, errorNumber));
    owner.Keep();
}

}  // namespace vestrel

// The workbook export of random report grids, read back through libgsf: the records of the
// Book stream must tile it exactly, stay within the BIFF5 record size, pair every BOF with an
// EOF, and the sheet directory must point at the sheets' BOF records.
#include <fuzzer/FuzzedDataProvider.h>
#include <gsf/gsf.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "output/excel_export.h"
#include "random_grid.h"

using namespace vestrel;

namespace {

constexpr unsigned kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kNumber = 0x0203,
                   kLabel = 0x0204;
constexpr size_t kMaxRecordData = 2080;

unsigned U16(const std::string& data, size_t pos) {
    return static_cast<uint8_t>(data[pos]) | static_cast<uint8_t>(data[pos + 1]) << 8;
}

uint32_t U32(const std::string& data, size_t pos) {
    return U16(data, pos) | static_cast<uint32_t>(U16(data, pos + 2)) << 16;
}

std::string ReadBookStream(const std::string& path) {
    GsfInput* file = gsf_input_stdio_new(path.c_str(), nullptr);
    GsfInfile* ole = file ? gsf_infile_msole_new(file, nullptr) : nullptr;
    GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Book") : nullptr;
    fuzz::Check(stream != nullptr, "the file holds a Book stream");
    const auto size = static_cast<size_t>(gsf_input_size(stream));
    const guint8* bytes = size > 0 ? gsf_input_read(stream, size, nullptr) : nullptr;
    fuzz::Check(size == 0 || bytes != nullptr, "the Book stream reads");
    std::string book(reinterpret_cast<const char*>(bytes), bytes ? size : 0);
    for (GsfInput* object : {stream, GSF_INPUT(ole), file})
        if (object) g_object_unref(object);
    return book;
}

struct TRecord {
    unsigned Id;
    size_t Offset;
    std::string Data;
};

std::vector<TRecord> SplitRecords(const std::string& book) {
    std::vector<TRecord> records;
    size_t pos = 0;
    while (pos < book.size()) {
        fuzz::Check(pos + 4 <= book.size(), "record header inside the stream");
        const size_t length = U16(book, pos + 2);
        fuzz::Check(length <= kMaxRecordData, "record within the BIFF5 size");
        fuzz::Check(pos + 4 + length <= book.size(), "record data inside the stream");
        records.push_back({U16(book, pos), pos, book.substr(pos + 4, length)});
        pos += 4 + length;
    }
    return records;
}

void CheckCell(const TRecord& record) {
    if (record.Id != kNumber && record.Id != kLabel) return;
    fuzz::Check(record.Data.size() >= 6, "cell record holds row, column and format");
    fuzz::Check(U16(record.Data, 0) <= 16383 && U16(record.Data, 2) <= 255, "cell on the sheet");
    if (record.Id == kNumber) fuzz::Check(record.Data.size() == 14, "NUMBER record size");
    if (record.Id == kLabel) {
        // The text is followed by one zero byte.
        fuzz::Check(record.Data.size() >= 9, "LABEL record holds the text length");
        fuzz::Check(record.Data.size() == 9 + U16(record.Data, 6), "LABEL record holds its text");
        fuzz::Check(U16(record.Data, 6) <= 255, "LABEL text within 255 bytes");
    }
}

// Global part, then one part per sheet, each from a BOF to its EOF.
void CheckParts(const std::vector<TRecord>& records, size_t sheets) {
    std::set<size_t> bofOffsets;
    std::vector<uint32_t> sheetOffsets;
    bool open = false;
    for (const TRecord& record : records) {
        fuzz::Check(open || record.Id == kBof, "records lie between BOF and EOF");
        if (record.Id == kBof) {
            fuzz::Check(!open, "BOF inside an open part");
            open = true;
            bofOffsets.insert(record.Offset);
        } else if (record.Id == kEof) {
            open = false;
        } else if (record.Id == kBoundSheet) {
            fuzz::Check(record.Data.size() >= 4, "BOUNDSHEET holds its offset");
            sheetOffsets.push_back(U32(record.Data, 0));
        }
        CheckCell(record);
    }
    fuzz::Check(!open, "the last part is closed");
    fuzz::Check(bofOffsets.size() == sheets + 1, "one part per sheet after the global part");
    fuzz::Check(sheetOffsets.size() == sheets, "one BOUNDSHEET per sheet");
    for (uint32_t offset : sheetOffsets)
        fuzz::Check(bofOffsets.contains(offset) && offset != records.front().Offset,
                    "BOUNDSHEET points at its sheet's BOF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int sheets = input.ConsumeIntegralInRange(1, 3);
    const int reports = input.ConsumeIntegralInRange(0, sheets);
    const std::string path = fuzz::Scratch().Path() + "export.xls";
    {
        TExcelExport workbook(path, sheets);
        for (int i = 0; i < reports; ++i) {
            const std::string title = input.ConsumeRandomLengthString(300);
            workbook.WriteReport(fuzz::RandomGrid(input), title);
        }
        workbook.Finish();
    }
    CheckParts(SplitRecords(ReadBookStream(path)), static_cast<size_t>(sheets));
    return 0;
}

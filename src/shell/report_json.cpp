#include "shell/report_json.h"

#include <cmath>
#include <cstdio>

#include "engine/date_time.h"
#include "engine/errors.h"

namespace vestrel {

namespace {

using json = nlohmann::ordered_json;

constexpr double kFirstDay = -693593;  // 0001-01-01
constexpr double kLastDay = 2958465;   // 9999-12-31
constexpr const char* kFiltersKey = "Filters";

bool IsCalendarDay(double day) {
    return std::isfinite(day) && day >= kFirstDay && day < kLastDay + 1;
}

// A day the calendar cannot show stays a day count.
json DateToJson(double day) {
    if (!IsCalendarDay(day)) return day;
    const TDateParts parts = DecodeDateTime(WholeDays(day));
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.Year, parts.Month, parts.Day);
    return text;
}

template <typename Record>
json FieldToJson(const TFieldDef<Record>& field, const Record& record) {
    const TFieldValue value = field.Get(record);
    switch (field.Type) {
        case TFieldType::Text:
        case TFieldType::Memo:
            return std::get<std::string>(value);
        case TFieldType::Date:
            return DateToJson(std::get<double>(value));
        case TFieldType::Time:
            return std::get<double>(value);
        case TFieldType::Boolean:
            return std::get<int64_t>(value) != 0;
        default:
            return std::get<int64_t>(value);
    }
}

template <typename Record>
json RecordToJson(std::span<const TFieldDef<Record>> fields, const Record& record) {
    json object = json::object();
    for (const TFieldDef<Record>& field : fields)
        if (field.Get != nullptr) object[field.Name] = FieldToJson(field, record);
    return object;
}

// ---- Reading ----

[[noreturn]] void Fail(const std::string& where, const std::string& key,
                       const std::string& problem) {
    throw EVestrelError(where + ": field \"" + key + "\" " + problem);
}

bool ReadDigits(std::string_view text, size_t from, size_t count, int& value) {
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD", or a day count.
double DateFromJson(const json& value, const std::string& where, const std::string& key) {
    if (value.is_number()) {
        const double day = value.get<double>();
        if (!IsCalendarDay(day)) Fail(where, key, "is no day of the years 1 to 9999");
        return day;
    }
    if (!value.is_string()) Fail(where, key, "must be a date text YYYY-MM-DD");
    const std::string text = value.get<std::string>();
    int year = 0, month = 0, day = 0;
    double date = 0;
    const bool valid = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                       ReadDigits(text, 0, 4, year) && ReadDigits(text, 5, 2, month) &&
                       ReadDigits(text, 8, 2, day) && TryEncodeDate(year, month, day, date);
    if (!valid) Fail(where, key, "is no valid date YYYY-MM-DD: \"" + text + "\"");
    return date;
}

int64_t IntegerFromJson(int64_t min, int64_t max, const json& value, const std::string& where,
                        const std::string& key) {
    if (!value.is_number_integer()) Fail(where, key, "must be a whole number");
    const bool inRange = value.is_number_unsigned()
                             ? value.get<uint64_t>() <= static_cast<uint64_t>(max)
                             : value.get<int64_t>() >= min && value.get<int64_t>() <= max;
    if (!inRange)
        Fail(where, key,
             "must lie between " + std::to_string(min) + " and " + std::to_string(max) + ", not " +
                 value.dump());
    return value.get<int64_t>();
}

// A text longer than its field is refused: cut, two names could become one.
template <typename Record>
void RequireFits(const TFieldDef<Record>& field, const std::string& text,
                 const std::string& where) {
    const size_t characters = CharacterCount(text);
    if (characters > static_cast<size_t>(field.Size))
        Fail(where, field.Name,
             "is " + std::to_string(characters) + " characters long; it may hold at most " +
                 std::to_string(field.Size));
}

template <typename Record>
TFieldValue FieldFromJson(const TFieldDef<Record>& field, const json& value,
                          const std::string& where) {
    switch (field.Type) {
        case TFieldType::Text:
        case TFieldType::Memo:
            if (!value.is_string()) Fail(where, field.Name, "must be a text");
            if (field.Type == TFieldType::Text) RequireFits(field, value.get<std::string>(), where);
            return value.get<std::string>();
        case TFieldType::Date:
            return DateFromJson(value, where, field.Name);
        case TFieldType::Time:
            if (!value.is_number()) Fail(where, field.Name, "must be a number");
            return value.get<double>();
        case TFieldType::Boolean:
            if (!value.is_boolean()) Fail(where, field.Name, "must be true or false");
            return int64_t{value.get<bool>()};
        default:
            return IntegerFromJson(field.Min, field.Max, value, where, field.Name);
    }
}

// Sets the record's fields from the object's keys; `ownKey` is left to the caller.
template <typename Record>
void FieldsFromJson(Record& record, std::span<const TFieldDef<Record>> fields, const json& object,
                    const std::string& where, std::string_view ownKey = {}) {
    for (const auto& [key, value] : object.items()) {
        if (key == ownKey) continue;
        const TFieldDef<Record>* field = nullptr;
        for (const TFieldDef<Record>& candidate : fields)
            if (key == candidate.Name) field = &candidate;
        if (field == nullptr) throw EVestrelError(where + ": unknown field \"" + key + "\"");
        if (field->Set == nullptr || field->Type == TFieldType::AutoIncrement) continue;
        field->Set(record, FieldFromJson(*field, value, where));
    }
}

// How messages name a definition: by its Name when it has one, else by its place.
std::string DefinitionLabel(const json& object, size_t number) {
    const auto name = object.find("Name");
    if (name != object.end() && name->is_string() && !name->get<std::string>().empty())
        return "Report \"" + name->get<std::string>() + "\"";
    return "Report definition " + std::to_string(number);
}

std::vector<TFilterRow> FiltersFromJson(const json& filters, const std::string& where) {
    if (!filters.is_array()) Fail(where, kFiltersKey, "must be an array of filters");
    std::vector<TFilterRow> rows;
    for (const json& object : filters) {
        const std::string filterWhere = where + ", filter " + std::to_string(rows.size() + 1);
        if (!object.is_object()) throw EVestrelError(filterWhere + " must be a JSON object");
        FieldsFromJson(rows.emplace_back(), FilterFieldDefs(), object, filterWhere);
    }
    return rows;
}

TReportDefinition DefinitionFromJson(const json& object, size_t number) {
    const std::string where = DefinitionLabel(object, number);
    if (!object.is_object()) throw EVestrelError(where + " must be a JSON object");
    TReportDefinition definition;
    FieldsFromJson(definition.Report, ReportFieldDefs(), object, where, kFiltersKey);
    if (definition.Report.Name.empty()) Fail(where, "Name", "is missing");
    if (const auto filters = object.find(kFiltersKey); filters != object.end())
        definition.Filters = FiltersFromJson(*filters, where);
    return definition;
}

}  // namespace

json ReportToJson(const TReportDefinition& definition) {
    json object = RecordToJson(ReportFieldDefs(), definition.Report);
    json& filters = object[kFiltersKey] = json::array();
    for (const TFilterRow& row : definition.Filters)
        filters.push_back(RecordToJson(FilterFieldDefs(), row));
    return object;
}

std::vector<TReportDefinition> ReportsFromJson(const json& document) {
    std::vector<TReportDefinition> definitions;
    if (!document.is_array()) {
        definitions.push_back(DefinitionFromJson(document, 1));
        return definitions;
    }
    for (const json& object : document)
        definitions.push_back(DefinitionFromJson(object, definitions.size() + 1));
    return definitions;
}

std::vector<TReportDefinition> ReportsFromJsonText(std::string_view text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {  // a syntax error, or a number too large for a double
        const std::string what = error.what();
        const size_t tag = what.find("] ");
        throw EVestrelError("The report definitions are no valid JSON: " +
                            (tag == std::string::npos ? what : what.substr(tag + 2)));
    }
    return ReportsFromJson(document);
}

std::string JsonText(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace);
}

}  // namespace vestrel

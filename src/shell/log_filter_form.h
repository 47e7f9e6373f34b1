// The "Log Filter" dialog without widgets: its fixed lists, the values of its controls, loading
// them from a filter, the rules that keep the criterion boxes in step while editing, and OK.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/locale_info.h"
#include "engine/log_filter.h"

namespace vestrel {

inline constexpr const char* kLogFilterCaption = "Log Filter";
inline constexpr const char* kLogFilterHelpTopic = "FilterLogFiles";
inline constexpr const char* kSubStringNote = "[Sub string search]";
inline constexpr const char* kAnyEntry = "<ANY>";
inline constexpr int kFirstHour = 1;
inline constexpr int kLastHour = 24;

// The criterion boxes in TFilterBit order, with their captions.
struct TCriterionBox {
    TFilterBit Bit;
    const char* Caption;
};
extern const std::array<TCriterionBox, 11> kCriterionBoxes;
const char* CriterionCaption(TFilterBit bit);

// The status lists; an entry's value is the number its first three characters form, "<ANY>" 0.
extern const std::array<const char*, 38> kStatusEntries;
uint16_t StatusEntryValue(std::string_view entry);
// The position of the first entry with that value, or -1 when none has it.
int StatusEntryIndex(uint16_t value);

extern const std::array<const char*, 9> kOpSystemSuggestions;
extern const std::array<const char*, 12> kBrowserSuggestions;
// Positions are Method codes: 1 GET, 2 PUT, 3 HEAD, 4 POST.
extern const std::array<const char*, 5> kRequestTypeEntries;
// "<ANY>" then the long day names, Sunday first: positions are DayOfWeek values.
std::vector<std::string> DayOfWeekEntries(const TLocaleInfo& locale = TLocaleInfo::Iso());

// The dialog's lists whose choice keeps a criterion box in step.
enum class TFilterList { DayOfWeek, StatusFrom, StatusTo, RequestType };
enum class TDateEnd { From, To };

// What the controls hold. List positions are -1 when no entry is chosen, as for a stored value
// the list does not offer; OK then leaves that field of the filter as it is.
struct TLogFilterForm {
    int32_t Checked = 0;  // TFilterBit mask of the ticked criterion boxes
    bool Exclude = false;
    std::string Domain, Referrer, UserName, Request, OpSystem, Browser;
    double DateFrom = 0, DateTo = 0;  // whole days; 0 (1899-12-30) is the empty date
    double TimeFrom = 0, TimeTo = 0;  // fractions of a day
    int DayOfWeek = 0, StatusFrom = 0, StatusTo = 0, RequestType = 0;
    int HourOfDay = 12;  // kFirstHour..kLastHour
    bool TrackUser = false, TrackBackwards = false;

    bool IsChecked(TFilterBit bit) const { return (Checked & bit) != 0; }
    void SetChecked(TFilterBit bit, bool checked);
    bool TrackBackwardsEnabled() const { return TrackUser; }
    // The text box of fbDomain, fbReferrer, fbUserName, fbRequest, fbOpSystem or fbBrowser.
    std::string& Text(TFilterBit bit);
    const std::string& Text(TFilterBit bit) const;
    int& Position(TFilterList list);
};

TLogFilterForm LoadLogFilterForm(const TFilterData& filter);
// OK: every edited field of the filter from the form; the derived flags are left alone.
void ApplyLogFilterForm(const TLogFilterForm& form, TFilterData& filter);

// The editing rules, one per kind of control; each stores the new value and sets the boxes.
void EditText(TLogFilterForm& form, TFilterBit bit, std::string text);
void EditDate(TLogFilterForm& form, TDateEnd end, double day);
void EditTime(TLogFilterForm& form, TDateEnd end, double fraction);
void ChooseListEntry(TLogFilterForm& form, TFilterList list, int position);
void EditHour(TLogFilterForm& form, int hour);

}  // namespace vestrel

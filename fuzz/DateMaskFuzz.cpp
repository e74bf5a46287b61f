// Feeds arbitrary bytes to the date masks: as a mask file (the first field) and as an expiry text
// (the second field, or the same bytes), read with the loaded masks, the shipped datemask.ini and
// the built-in masks. A mask list holds only what a mask line can be; a date read is a real
// calendar day between the years 100 and 9999 that survives the way back through its ISO form.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "core/ExpiryDate.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void RequireDateOrNothing(int day)
{
    if (day == 0)
        return;
    const TCalendarDate date = DateFromDayNumber(day);
    FUZZ_REQUIRE(date.Year >= 100 && date.Year <= 9999);
    FUZZ_REQUIRE(DayNumberFromDate(date.Year, date.Month, date.Day) == day);
    const std::string iso = IsoDateFromDayNumber(day);
    if (day > 0) {
        FUZZ_REQUIRE(iso.size() == 10);
        FUZZ_REQUIRE(ParseExpiryDate(iso, {"yyyy-mm-dd"}) == day);
    } else {
        FUZZ_REQUIRE(iso.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TDateMasks shipped = LoadDateMasks(QUARROW_SHIPPED_DATEMASK);
    static const TDateMasks builtIn = LoadDateMasks(ScratchFolder() + "/no-such-file");
    if (shipped.size() <= builtIn.size())
        std::abort(); // the shipped file was not found: the run would test the wrong masks

    const std::vector<std::string_view> fields =
        SplitFields(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string_view file = fields[0];
    const std::string text(fields.back());

    const std::string path = ScratchFolder() + "/datemask.ini";
    WriteScratchFile(path, file);
    const TDateMasks masks = LoadDateMasks(path);
    std::size_t maskBytes = 0;
    std::size_t from = 0;
    for (const std::string& mask : masks) {
        FUZZ_REQUIRE(!mask.empty() && mask.front() != ';');
        FUZZ_REQUIRE(mask.find_first_of("\r\n") == std::string::npos);
        FUZZ_REQUIRE(TrimView(mask).size() == mask.size());
        // Masks come in file order, each one a piece of the file.
        const std::size_t at = file.find(mask, from);
        FUZZ_REQUIRE(at != std::string_view::npos);
        from = at + mask.size();
        maskBytes += mask.size();
    }
    FUZZ_REQUIRE(maskBytes <= file.size());

    RequireDateOrNothing(ParseExpiryDate(text, masks));
    RequireDateOrNothing(ParseExpiryDate(text, shipped));
    RequireDateOrNothing(ParseExpiryDate(text, builtIn));
    return 0;
}

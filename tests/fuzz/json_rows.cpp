// The reader of JSON lists of objects (schedule and event lists) on arbitrary output.
//
// Input: one byte for the exit status, then the output.
//
// Oracles: a failed command gives no rows; every row has one cell per column; a
// notice line printed before the list changes nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "components/JsonRows.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const int status = AData[0] % 4 == 0 ? 1 : 0;
    const std::string_view output(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    const TJsonRows rows = ReadJsonRows(output, status);
    if (status != 0) {
        Check(rows.Failed && rows.Rows.empty(), "a failed command gives no rows");
        return 0;
    }
    for (const auto& row : rows.Rows) Check(row.size() == rows.Columns.size(), "one cell per column");
    if (output.starts_with('[') || output.starts_with('{')) {
        const TJsonRows noisy = ReadJsonRows("PHP Notice: something\n" + std::string(output), 0);
        Check(noisy.Failed == rows.Failed && noisy.Rows == rows.Rows && noisy.Columns == rows.Columns,
              "a notice line before the list changes nothing");
    }
    return 0;
}

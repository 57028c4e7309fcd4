// The readers of the database and table descriptions on arbitrary command output.
//
// Input: one byte for the exit status and which reader, then the output.
//
// Oracles: a failed command gives no tables and no schema rows; a notice line printed
// before the document changes nothing; a table name said to be plain has no blank,
// quote or shell character.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "components/DatabaseInfo.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const int status = AData[0] % 4 == 0 ? 1 : 0;
    const bool schema = (AData[0] & 0x10) != 0;
    const std::string_view output(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    const bool document = output.starts_with('[') || output.starts_with('{');
    const std::string noisy = "PHP Notice: something\n" + std::string(output);
    if (schema) {
        const TTableSchema read = ReadTableSchema(output, status);
        if (status != 0) Check(read.Failed && read.Rows.empty(), "a failed command gives no schema");
        if (document) Check(ReadTableSchema(noisy, status).Rows == read.Rows, "a notice line changes nothing");
        return 0;
    }
    const TDatabaseInfo read = ReadDatabaseInfo(output, status);
    if (status != 0) Check(read.Failed && read.Tables.empty(), "a failed command gives no tables");
    if (document) Check(ReadDatabaseInfo(noisy, status).Tables == read.Tables, "a notice line changes nothing");
    for (const TDatabaseTable& table : read.Tables) {
        if (!IsPlainTableName(table.Name)) continue;
        Check(table.Name.find_first_of(" \t\n'\"`$;&|<>()\\*?") == std::string::npos, "a plain name is plain");
    }
    return 0;
}

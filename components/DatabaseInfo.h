#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What "php artisan db:show --json" printed: the database's kind and its tables; never
// throws. Rows are counted only when the command was given "--counts".
struct TDatabaseTable {
    std::string Name;
    std::optional<std::int64_t> Size;  // bytes
    std::optional<std::int64_t> Rows;
    std::string Engine;
    std::string Comment;

    bool operator==(const TDatabaseTable&) const = default;
};

struct TDatabaseInfo {
    std::string Platform;  // "SQLite", "MySQL"...
    std::vector<TDatabaseTable> Tables;
    // Some table came without its row count.
    bool RowsMissing = false;
    // What to show instead of, or above, the table; empty for a plain table.
    std::string Message;
    bool Failed = false;
};

TDatabaseInfo ReadDatabaseInfo(std::string_view AOutput, int AExitStatus);

// What "php artisan db:table NAME --json" printed, as one list: the columns, then the
// indexes, then the foreign keys; never throws. Both the layout that keys the columns and
// indexes by name and the one that lists them are read.
struct TSchemaRow {
    enum class TKind { Column, Index, ForeignKey };
    TKind Kind = TKind::Column;
    std::string Name;
    std::string Type;     // a column's type; an index's kind ("unique, primary")
    std::string Details;  // a column's attributes and default; an index's columns; where a key points

    bool operator==(const TSchemaRow&) const = default;
};

struct TTableSchema {
    std::string Table;
    std::vector<TSchemaRow> Rows;
    std::string Message;
    bool Failed = false;
};

TTableSchema ReadTableSchema(std::string_view AOutput, int AExitStatus);

// A table name that can be put on a command line as it is: letters, digits, "_", "-"
// and "." only, not starting with "-".
bool IsPlainTableName(std::string_view AName);

#include "components/DatabaseInfo.h"
#include "components/ModelInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "tests/unit/TempFolder.h"

namespace {

using TKind = TSchemaRow::TKind;

TEST(DatabaseInfo, TablesWithSizesAndRowsWhereCounted) {
    const TDatabaseInfo info = ReadDatabaseInfo(
        R"({"platform":{"config":{"driver":"sqlite"},"name":"SQLite","open_connections":null},"tables":[)"
        R"({"table":"migrations","size":4096,"rows":2,"engine":null,"comment":null},)"
        R"({"table":"notes","size":8192.0,"rows":"17","engine":"InnoDB","comment":"the notes"},)"
        R"({"table":"big","size":18446744073709551615,"rows":null}, 7]})",
        0);
    EXPECT_FALSE(info.Failed);
    EXPECT_EQ(info.Platform, "SQLite");
    ASSERT_EQ(info.Tables.size(), 3u);
    EXPECT_EQ(info.Tables[0], (TDatabaseTable{"migrations", 4096, 2, "", ""}));
    EXPECT_EQ(info.Tables[1], (TDatabaseTable{"notes", 8192, 17, "InnoDB", "the notes"}));
    EXPECT_EQ(info.Tables[2].Size, std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(info.Tables[2].Rows);
    EXPECT_TRUE(info.RowsMissing);
    EXPECT_NE(info.Message.find("1 entries"), std::string::npos);

    const TDatabaseInfo counted = ReadDatabaseInfo(R"({"tables":[{"table":"a","size":null,"rows":0}]})", 0);
    EXPECT_FALSE(counted.RowsMissing);
    EXPECT_FALSE(counted.Tables[0].Size);
}

TEST(DatabaseInfo, FailuresSentencesAndWrongShapes) {
    struct TCase {
        const char* Output;
        int Status;
        const char* MessageHas;
    };
    const TCase cases[] = {
        {"Inspecting database information requires the Doctrine DBAL (doctrine/dbal) package.", 1, "status 1"},
        {"SQLSTATE[HY000] [2002] Connection refused", 0, "Connection refused"},
        {R"({"platform":{"name":"SQLite"},"tables":[{"table":"mi)", 0, "not valid JSON"},
        {R"({"platform":{"name":"SQLite"}})", 0, "does not list"},
        {R"({"tables":"none"})", 0, "does not list"},
        {"[1,2,3]", 0, "does not list"},
        {"", 0, "printed nothing"},
    };
    for (const TCase& c : cases) {
        const TDatabaseInfo info = ReadDatabaseInfo(c.Output, c.Status);
        EXPECT_TRUE(info.Failed) << c.Output;
        EXPECT_NE(info.Message.find(c.MessageHas), std::string::npos) << info.Message;
        EXPECT_TRUE(info.Tables.empty());
    }
}

TEST(TableSchema, ColumnsIndexesAndForeignKeysInBothLayouts) {
    // Columns and indexes keyed by name, attributes as an object with a "type" entry.
    const TTableSchema keyed = ReadTableSchema(
        R"({"table":{"name":"notes","columns":3,"size":4096},"columns":{)"
        R"("id":{"column":"id","attributes":{"0":"autoincrement","type":"integer"},"default":null,"type":"integer"},)"
        R"("state":{"column":"state","attributes":{"type":"string","2":"nullable"},"default":"draft","type":"string"},)"
        R"("user_id":{"column":"user_id","attributes":{"type":"integer"},"default":null,"type":"integer"}},)"
        R"("indexes":{"primary":{"name":"primary","columns":["id"],"attributes":["unique","primary"]},)"
        R"("notes_state_index":{"name":"notes_state_index","columns":["state","id"],"attributes":[]}},)"
        R"("foreign_keys":[{"name":"fk_user","local_table":"notes","local_columns":["user_id"],)"
        R"("foreign_table":"users","foreign_columns":["id"],"on_update":"no action","on_delete":"cascade"}]})",
        0);
    EXPECT_FALSE(keyed.Failed) << keyed.Message;
    EXPECT_EQ(keyed.Table, "notes");
    EXPECT_EQ(keyed.Rows, (std::vector<TSchemaRow>{
                              {TKind::Column, "id", "integer", "autoincrement"},
                              {TKind::Column, "state", "string", "nullable, default draft"},
                              {TKind::Column, "user_id", "integer", ""},
                              {TKind::Index, "primary", "unique, primary", "id"},
                              {TKind::Index, "notes_state_index", "index", "state, id"},
                              {TKind::ForeignKey, "fk_user", "foreign key",
                               "user_id references users (id), on update no action, on delete cascade"},
                          }));

    // Lists, with "columns" for a key's own columns.
    const TTableSchema listed = ReadTableSchema(
        R"({"table":{"name":"posts"},"columns":[{"column":"n","attributes":["nullable"],"default":0,"type":"int"}],)"
        R"("indexes":[{"name":"posts_n","columns":["n"],"attributes":["unique"]}],)"
        R"("foreign_keys":[{"name":null,"columns":["n"],"foreign_table":"t","foreign_columns":["m"]}]})",
        0);
    EXPECT_EQ(listed.Rows, (std::vector<TSchemaRow>{{TKind::Column, "n", "int", "nullable, default 0"},
                                                    {TKind::Index, "posts_n", "unique", "n"},
                                                    {TKind::ForeignKey, "", "foreign key", "n references t (m)"}}));
}

TEST(TableSchema, FailuresAndWrongShapes) {
    struct TCase {
        const char* Output;
        int Status;
        const char* MessageHas;
    };
    const TCase cases[] = {
        {"  ERROR  Table [nope] not found.", 1, "status 1"},
        {R"({"table":{"name":"x"},"columns":{"id":{"col)", 0, "not valid JSON"},
        {R"({"table":{"name":"x"}})", 0, "does not describe"},
        {"[]", 0, "does not describe"},
    };
    for (const TCase& c : cases) {
        const TTableSchema schema = ReadTableSchema(c.Output, c.Status);
        EXPECT_TRUE(schema.Failed) << c.Output;
        EXPECT_NE(schema.Message.find(c.MessageHas), std::string::npos) << schema.Message;
    }
    // Entries of the wrong kind are left out, the rest is read.
    const TTableSchema odd =
        ReadTableSchema(R"({"columns":[1,{"column":"a","type":"t","attributes":7}],"indexes":"x"})", 0);
    EXPECT_EQ(odd.Rows, (std::vector<TSchemaRow>{{TKind::Column, "a", "t", "7"}}));
    EXPECT_NE(odd.Message.find("1 entries"), std::string::npos);
}

TEST(DatabaseInfo, OnlyPlainTableNamesGoOnACommandLine) {
    for (const char* name : {"notes", "password_resets", "schema.table", "a-b", "T1"})
        EXPECT_TRUE(IsPlainTableName(name)) << name;
    for (const char* name : {"", "-h", "a b", "x;rm", "$HOME", "a'b", "`x`", "na\xC3\xAFve"})
        EXPECT_FALSE(IsPlainTableName(name)) << name;
}

TEST(ModelInfo, AttributesAndRelations) {
    const TModelInfo info = ReadModelInfo(
        R"({"class":"App\\Models\\Note","database":"sqlite","table":"notes","policy":null,"attributes":[)"
        R"({"name":"id","type":"integer","increments":true,"nullable":false,"fillable":false,"hidden":false,"cast":"int"},)"
        R"({"name":"title","type":"string","nullable":true,"fillable":true,"hidden":false,"cast":null},)"
        R"({"name":"secret","type":"string","nullable":"1","fillable":0,"hidden":true}, "odd"],)"
        R"("relations":[{"name":"user","type":"BelongsTo","related":"App\\Models\\User"}],"observers":[]})",
        0);
    EXPECT_FALSE(info.Failed);
    EXPECT_EQ(info.Class, "App\\Models\\Note");
    EXPECT_EQ(info.Table, "notes");
    EXPECT_EQ(info.Attributes, (std::vector<TModelAttribute>{{"id", "integer", false, false, false, "int"},
                                                             {"title", "string", true, true, false, ""},
                                                             {"secret", "string", true, false, true, ""}}));
    EXPECT_EQ(info.Relations, (std::vector<TModelRelation>{{"user", "BelongsTo", "App\\Models\\User"}}));
    EXPECT_NE(info.Message.find("1 entries"), std::string::npos);

    struct TCase {
        const char* Output;
        int Status;
        const char* MessageHas;
    };
    const TCase failures[] = {
        {"Class \"App\\Models\\Gone\" not found.", 1, "status 1"},
        {R"({"class":"A","attributes":[{"name":)", 0, "not valid JSON"},
        {R"({"class":"A","attributes":{}})", 0, "does not describe"},
        {"Inspecting database information requires the Doctrine DBAL", 0, "Doctrine DBAL"},
    };
    for (const TCase& c : failures) {
        const TModelInfo failed = ReadModelInfo(c.Output, c.Status);
        EXPECT_TRUE(failed.Failed) << c.Output;
        EXPECT_NE(failed.Message.find(c.MessageHas), std::string::npos) << failed.Message;
    }
}

TEST(ModelInfo, TheClassAFileDeclares) {
    struct TCase {
        const char* Source;
        const char* Stem;
        const char* Class;
    };
    const TCase cases[] = {
        {"<?php\n\nnamespace App\\Models;\n\nuse X;\n\nclass Note extends Model\n{\n}\n", "Note", "App\\Models\\Note"},
        {"<?php namespace App\\Models\\Billing { final class Invoice {} }", "Invoice", "App\\Models\\Billing\\Invoice"},
        {"<?php\nclass Note {}", "Note", "Note"},
        // Not a concrete class of that name.
        {"<?php\nnamespace App\\Models;\nabstract class Base extends Model {}", "Base", ""},
        {"<?php\nnamespace App\\Models;\ntrait HasNotes {}", "HasNotes", ""},
        {"<?php\nnamespace App\\Models;\nclass Other {}", "Note", ""},
        {"<?php\nnamespace App\\Models;\nclass NoteBook {}", "Note", ""},
        {"<?php\nnamespace App\\Models;\n/* class Note {} */\n// class Note\nreturn Note::class;", "Note", ""},
        {"", "Note", ""},
        {"<?php class Note {}", "No te", ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(ModelClassOf(c.Source, c.Stem), c.Class) << c.Source;
}

TEST(ModelInfo, FindsTheModelsUnderAppModelsSorted) {
    testsupport::TempFolder project;
    std::filesystem::create_directories(project / "app/Models/Billing");
    const auto write = [&](const std::string& AName, const std::string& AText) {
        std::ofstream(project / AName, std::ios::binary) << AText;
    };
    write("app/Models/User.php", "<?php\nnamespace App\\Models;\nclass User extends Authenticatable {}\n");
    write("app/Models/Billing/Invoice.php", "<?php\nnamespace App\\Models\\Billing;\nclass Invoice extends Model {}\n");
    write("app/Models/Base.php", "<?php\nnamespace App\\Models;\nabstract class Base {}\n");
    write("app/Models/notes.txt", "class Notes {}");
    EXPECT_EQ(FindModelClasses(project.Path().string()),
              (std::vector<std::string>{"App\\Models\\Billing\\Invoice", "App\\Models\\User"}));
    EXPECT_TRUE(FindModelClasses((project / "missing").string()).empty());
}

TEST(ModelInfo, AClassAsACommandLineArgument) {
    EXPECT_EQ(ModelArgument("App\\Models\\Note"), "App/Models/Note");
    EXPECT_EQ(ModelArgument("Note"), "Note");
    for (const char* bad : {"", "App\\Models\\", "\\App", "App\\\\X", "A B", "A;rm", "A$B", "9Lives", "Caf\xC3\xA9"})
        EXPECT_EQ(ModelArgument(bad), "") << bad;
}

}  // namespace

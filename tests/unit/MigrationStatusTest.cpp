#include "components/MigrationStatus.h"

#include <gtest/gtest.h>

namespace {

const std::vector<TMigrationRow> kRows = {
    {"2014_10_12_000000_create_users_table", true, 1},
    {"2019_08_19_000000_create_failed_jobs_table", true, 2},
    {"2026_12_10_000000_create_orders_table", false, std::nullopt},
};

TEST(MigrationStatus, ReadsBothLayouts) {
    const char* boxed =
        "+------+---------------------------------------------+-------+\n"
        "| Ran? | Migration                                   | Batch |\n"
        "+------+---------------------------------------------+-------+\n"
        "| Yes  | 2014_10_12_000000_create_users_table        | 1     |\n"
        "| Yes  | 2019_08_19_000000_create_failed_jobs_table  | 2     |\n"
        "| No   | 2026_12_10_000000_create_orders_table       |       |\n"
        "+------+---------------------------------------------+-------+\n";
    const char* dotted =
        "\n  Migration name .......................................... Batch / Status  \n"
        "  2014_10_12_000000_create_users_table ............................ [1] Ran  \n"
        "  2019_08_19_000000_create_failed_jobs_table ...................... [2] Ran  \n"
        "  2026_12_10_000000_create_orders_table ........................... Pending  \n\n";
    for (const char* output : {boxed, dotted}) {
        SCOPED_TRACE(output);
        const TMigrationStatus status = ReadMigrationStatus(output, 0);
        EXPECT_FALSE(status.Failed);
        EXPECT_EQ(status.Message, "");
        EXPECT_EQ(status.Rows, kRows);
    }
}

TEST(MigrationStatus, NoTableOrAFailureGivesItsText) {
    const TMigrationStatus missing = ReadMigrationStatus("\n   ERROR  Migration table not found.  \n", 0);
    EXPECT_FALSE(missing.Failed);
    EXPECT_TRUE(missing.Rows.empty());
    EXPECT_EQ(missing.Message, "ERROR  Migration table not found.");

    const TMigrationStatus failed =
        ReadMigrationStatus("| Yes  | 2014_10_12_000000_create_users_table | 1 |\nSQLSTATE[HY000] [14] unable to open database file\n", 1);
    EXPECT_TRUE(failed.Failed);
    EXPECT_TRUE(failed.Rows.empty());
    EXPECT_EQ(failed.Message, "The command ended with status 1.\nSQLSTATE[HY000] [14] unable to open database file");

    // A damaged row is shown as text, not guessed.
    const TMigrationStatus odd = ReadMigrationStatus("| Maybe | x | 1 |\nname ..... [one] Ran\n", 0);
    EXPECT_TRUE(odd.Rows.empty());
    EXPECT_EQ(odd.Message, "| Maybe | x | 1 |\nname ..... [one] Ran");
}

}  // namespace

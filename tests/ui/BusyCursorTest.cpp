#include "components/BusyCursor.h"
#include "components/PanelLine.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <vector>

namespace {

class BusyCursorTest : public ::testing::Test {
protected:
    void TearDown() override { TBusyCursor::SetApplicationCursor(crDefault); }
};

TEST_F(BusyCursorTest, NewCursorIsHourGlassOverTheCursorOfItsCreation) {
    TBusyCursor plain;
    EXPECT_EQ(plain.BusyCursor(), crHourGlass);
    EXPECT_EQ(plain.BusyCursor(), -11);
    EXPECT_EQ(plain.NormalCursor(), crDefault);

    TBusyCursor::SetApplicationCursor(crCross);
    TBusyCursor created;
    EXPECT_EQ(created.NormalCursor(), crCross);
}

TEST_F(BusyCursorTest, ListenerHearsEachSwitchAfterTheCursorChanged) {
    TBusyCursor cursor;
    std::vector<std::pair<bool, TCursor>> heard;
    QObject::connect(&cursor, &TBusyCursor::OnStatusChange,
                     [&](TBusyCursor* sender, bool busy) {
                         EXPECT_EQ(sender, &cursor);
                         heard.emplace_back(busy, TBusyCursor::ApplicationCursor());
                     });
    cursor.SetBusyCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    cursor.SetBusyCursor();
    cursor.SetNormalCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    const std::vector<std::pair<bool, TCursor>> expected = {
        {true, crHourGlass}, {true, crHourGlass}, {false, crDefault}};
    EXPECT_EQ(heard, expected);
}

TEST_F(BusyCursorTest, WithoutListenerOnlyTheCursorChanges) {
    TBusyCursor cursor;
    cursor.setBusyCursor(crHandPoint);
    cursor.setNormalCursor(crIBeam);
    cursor.SetBusyCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    // Writing the busy cursor leaves the screen as it is until the next switch.
    cursor.setBusyCursor(crCross);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    cursor.SetNormalCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::IBeamCursor);
    cursor.SetBusyCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
}

TEST_F(BusyCursorTest, CursorNumbersMapToShapesAndBack) {
    const std::pair<TCursor, Qt::CursorShape> cases[] = {
        {crArrow, Qt::ArrowCursor},      {crCross, Qt::CrossCursor},
        {crIBeam, Qt::IBeamCursor},      {crSizeNS, Qt::SizeVerCursor},
        {crSizeWE, Qt::SizeHorCursor},   {crHourGlass, Qt::WaitCursor},
        {crNoDrop, Qt::ForbiddenCursor}, {crHandPoint, Qt::PointingHandCursor},
        {crSizeAll, Qt::SizeAllCursor},  {crHelp, Qt::WhatsThisCursor}};
    for (const auto& [number, shape] : cases) {
        TBusyCursor::SetApplicationCursor(number);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), shape) << number;
        EXPECT_EQ(TBusyCursor::ApplicationCursor(), number);
    }
    TBusyCursor::SetApplicationCursor(crDefault);
    EXPECT_EQ(TBusyCursor::ApplicationCursor(), crDefault);
}

TEST(PanelLine, NewLineIsTwoPixelsHighWithALoweredBevel) {
    TPanelLine line;
    EXPECT_EQ(line.height(), 2);
    EXPECT_EQ(line.width(), 185);
    EXPECT_EQ(line.frameShadow(), QFrame::Sunken);
    EXPECT_EQ(line.frameShape(), QFrame::HLine);
    EXPECT_EQ(line.midLineWidth(), 0);
}

}  // namespace

#include "components/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <array>
#include <utility>

namespace {

// Built-in cursor numbers and the Qt shapes that show them. Where two numbers share
// a shape, the first one listed is the number reported back for that shape.
constexpr std::array<std::pair<TCursor, Qt::CursorShape>, 22> kShapes{{
    {-1, Qt::BlankCursor},
    {crSizeAll, Qt::SizeAllCursor},
    {crArrow, Qt::ArrowCursor},
    {crCross, Qt::CrossCursor},
    {crIBeam, Qt::IBeamCursor},
    {-5, Qt::SizeAllCursor},
    {crSizeNESW, Qt::SizeBDiagCursor},
    {crSizeNS, Qt::SizeVerCursor},
    {crSizeNWSE, Qt::SizeFDiagCursor},
    {crSizeWE, Qt::SizeHorCursor},
    {crUpArrow, Qt::UpArrowCursor},
    {crHourGlass, Qt::WaitCursor},
    {crDrag, Qt::DragCopyCursor},
    {crNoDrop, Qt::ForbiddenCursor},
    {crHSplit, Qt::SplitHCursor},
    {crVSplit, Qt::SplitVCursor},
    {-16, Qt::DragCopyCursor},
    {-17, Qt::WaitCursor},
    {crNo, Qt::ForbiddenCursor},
    {crAppStart, Qt::BusyCursor},
    {crHelp, Qt::WhatsThisCursor},
    {crHandPoint, Qt::PointingHandCursor},
}};

Qt::CursorShape ShapeOf(TCursor cursor) {
    for (const auto& [number, shape] : kShapes)
        if (number == cursor) return shape;
    return Qt::ArrowCursor;
}

TCursor NumberOf(Qt::CursorShape shape) {
    for (const auto& [number, candidate] : kShapes)
        if (candidate == shape) return number;
    return crArrow;
}

}  // namespace

TBusyCursor::TBusyCursor(QObject* AOwner)
    : QObject(AOwner), fNormalCursor(ApplicationCursor()) {}

TCursor TBusyCursor::ApplicationCursor() {
    const QCursor* current = QGuiApplication::overrideCursor();
    return current ? NumberOf(current->shape()) : crDefault;
}

void TBusyCursor::SetApplicationCursor(TCursor cursor) {
    if (cursor == crDefault) {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
        return;
    }
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
    else
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
}

void TBusyCursor::SetBusyCursor() {
    SetApplicationCursor(fBusyCursor);
    emit OnStatusChange(this, true);
}

void TBusyCursor::SetNormalCursor() {
    SetApplicationCursor(fNormalCursor);
    emit OnStatusChange(this, false);
}

#pragma once

#include <QString>

// At most a screenful of AText for a label: kScreenfulLines lines and kScreenfulChars
// characters, cut with "…" when there was more.
constexpr int kScreenfulLines = 24;
constexpr int kScreenfulChars = 2000;
QString Screenful(const QString& AText);

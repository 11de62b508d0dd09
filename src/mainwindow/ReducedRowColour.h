#pragma once
// The colour of a row at the reduced rate: its row-number panel, and in a
// lighter shade the per-rate breakdown under the totals.
#include <QColor>

inline const QColor kReducedRowColour(0xFF, 0xD8, 0xA0);

#pragma once

#include <QString>

// The numeric test of the transfer: the value text a numeric field with
// default settings (9 integer digits, 3 decimals, minus allowed) holds after
// text is assigned to it. "123-4567" -> "123", "03-1234-5678" -> "3",
// "０９０－…" -> "90", "山田" -> "". A working line whose value text is longer
// than two characters is converted to half width.
QString numericTestText(const QString &text);

#include "transfer/NumericTest.h"

#include "numedit/NumValueModel.h"

QString numericTestText(const QString &text)
{
    // The hidden numeric field KiNumEdit_ZenChk: default settings, the line
    // assigned to its Text (filtered, then leading zeros trimmed).
    NumValueModel field;
    field.setText(text);
    return field.Text();
}

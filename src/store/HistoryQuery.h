#pragma once
// The history window's search fields read as a ledger query.

#include "store/NoteLedger.h"

#include <QString>
#include <optional>

namespace ledger {

// The texts of the search fields as typed.
struct QueryTexts
{
    QString from;
    QString to;
    QString minTotal;
    QString maxTotal;
    QString customer;
    QString slipNo;
};

// A query, or the message that says which field cannot be read.
struct ParsedQuery
{
    NoteQuery query;
    QString error;
};

// A date typed as 2026-12-09, 2026/12/9, 2026.12.09 or 20261209 (digits
// full or half width); nullopt for anything else.
std::optional<QDate> parseDateText(const QString &text);
// An amount typed as 4730, 4,730, -500 or 1234.5 (digits full or half
// width); nullopt for anything else.
std::optional<double> parseAmountText(const QString &text);

// Blank fields set no condition; the customer and the slip number are taken
// with blanks at both ends removed.
ParsedQuery parseQuery(const QueryTexts &texts);

} // namespace ledger

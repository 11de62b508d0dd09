#pragma once
// The printing note as JSON, so that a note kept in the issued-notes ledger
// prints again exactly: every field a layout reads, under its member name.
//
// The field lists below are the one place that names the fields; writing
// and reading both walk them. A field added to PrintNote (or PrintRow) is
// added here with one line; a field of a new kind (a struct, a list) needs
// a `noteFields` overload for the struct, the writer and reader handle
// arrays of anything they handle. Reading keeps the default of any field
// the text does not carry, so a note recorded before a field existed still
// reads. A field that a note uses only by choice ("taxIncluded") is written
// only when set, so that a note without it keeps its JSON byte for byte.

#include "note/PrintNote.h"

#include <QJsonObject>
#include <type_traits>

namespace printing {

template <class Row, class Visit>
void noteFields(Row &r, Visit &&v) requires std::is_same_v<std::remove_const_t<Row>, PrintRow>
{
    v("itemNo", r.itemNo);
    v("item", r.item);
    v("unit", r.unit);
    v("qty", r.qty);
    v("price", r.price);
    v("sales", r.sales);
    v("reduced", r.reduced);
}

template <class Rate, class Visit>
void noteFields(Rate &t, Visit &&v) requires std::is_same_v<std::remove_const_t<Rate>, PrintTaxRate>
{
    v("percent", t.percent);
    v("subtotal", t.subtotal);
    v("tax", t.tax);
    v("inUse", t.inUse);
}

template <class Note, class Visit>
void noteFields(Note &n, Visit &&v) requires std::is_same_v<std::remove_const_t<Note>, PrintNote>
{
    v("customerName", n.customerName);
    v("title", n.title);
    v("shopLines", n.shopLines);
    v("slipNo", n.slipNo);
    v("issueDate", n.issueDate);
    v("printSlipNo", n.printSlipNo);
    v("printDate", n.printDate);
    v("rows", n.rows);
    v("subtotal", n.subtotal);
    v("tax", n.tax);
    v("total", n.total);
    v("taxCaption", n.taxCaption);
    v("registrationNo", n.registrationNo);
    v("standardRate", n.standardRate);
    v("reducedRate", n.reducedRate);
    v("receipt", n.receipt);
    v("remarks", n.remarks);
    v("newPage", n.newPage);
    v("dpiX", n.dpiX);
    v("dpiY", n.dpiY);
    v("top", n.top);
    v("left", n.left);
}

QJsonObject printNoteToJson(const PrintNote &note);
PrintNote printNoteFromJson(const QJsonObject &json);

} // namespace printing

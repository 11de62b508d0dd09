#pragma once

#include "note/SummaryClosing.h"

#include <QDate>
#include <QString>
#include <array>
#include <vector>

namespace printing {

// A monthly summary invoice (合計請求書) as it prints: what the A4 layout
// reads, and what the store records so that a reprint gives the same pages.
struct SummaryInvoice
{
    QString invoiceNo; // 請求No
    QDate issueDate;
    QDate closingDate;
    closing::Period period;
    QDate dueDate;
    std::array<QString, 5> shopLines; // the issuer: name, address, telephone …
    QString registrationNo;           // "T" + 13 digits; empty: not printed
    QString bankAccount;              // 振込先
    QString customerZip;
    std::array<QString, 3> customerAddress;
    QString customerName;
    QString honorific = QStringLiteral("様");
    closing::Summary summary;
    std::vector<closing::PaymentEntry> payments;
};

} // namespace printing

#pragma once
// The main window as most window tests want it: the printing fonts
// registered, message boxes recorded instead of shown, today fixed at
// 2026-12-09, the printer layer on a scripted spooler (the fake alone, or
// followed by the built-in PDF printer writing under dir), and the window
// made in dir, shown and active. A fixture that needs another set-up
// overrides setUpPrinters() or calls startWindow() itself.

#include "FakeSpooler.h"
#include "mainwindow/Kanro_dprintUnit.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class WindowFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Default: one printer "P0" on the fake spooler alone.
    virtual void setUpPrinters() { useFakeSpooler({FakePrinter::standard(QStringLiteral("P0"))}); }
    // Whether SetUp makes the window (false: the test calls startWindow()).
    virtual bool startsWindow() const { return true; }

    // The printer layer on a fake spooler with these printers; `pdf` adds
    // the built-in PDF printer (its folder in dir).
    void useFakeSpooler(std::vector<FakePrinter> printers, const QString &defaultPrinter = {},
                        bool pdf = false);
    void startWindow();

    // A note with two rows (2 x 1,500 and 1 x 980) and the receipt mark.
    void fillNote();

    QTemporaryDir dir;
    FakeSpooler *spooler = nullptr;
    std::unique_ptr<TForm_Main> w;
};

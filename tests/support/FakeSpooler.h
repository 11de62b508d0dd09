#pragma once
// A scripted spooler for tests: printers (hidden ones too) with their
// capability lists, default settings and device measures, ports, failures
// on demand, and a record of every job with its pages and drawing.

#include "spooler/Spooler.h"

#include <QFont>
#include <QLineF>
#include <QPicture>
#include <QPointF>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct FakePrinter
{
    QString name;
    std::uint32_t attributes = 0;
    QString driver = QStringLiteral("Fake Driver");
    QString port = QStringLiteral("FAKE:");
    DeviceCapabilities caps;
    QByteArray defaults; // the driver's default settings block
    // Margins in millimetres for the portrait sheet.
    double leftMm = 0, topMm = 0, rightMm = 0, bottomMm = 0;
    int bitsPixel = 24;

    // A printer with papers A5, A4 and Letter, bins 自動 (7) and 手差し (4),
    // resolutions 600 and 300 dpi, 99 copies, and defaults A5 portrait,
    // automatic bin, 600 dpi, one copy, monochrome, simplex, collate off,
    // scale 100, with every setting changeable and 8 driver bytes.
    static FakePrinter standard(const QString &name, std::uint32_t attributes = 0);
};

// Every text drawn, at its position in device pixels (the drawing
// position after the painter's transform, baseline-left as QPainter takes
// it), with the font in effect.
struct RecordedText
{
    QString text;
    QPointF position;
    QFont font;
};

struct RecordedPage
{
    QPicture picture;
    std::vector<RecordedText> texts;
    std::vector<QLineF> lines; // device pixels
};

struct RecordedJob
{
    QString device;
    QString port;
    QString title;
    QByteArray settings;
    DeviceMetrics metrics;
    std::vector<RecordedPage> pages;
    bool finished = false;
    bool cancelled = false;
};

class FakeSpooler : public Spooler
{
public:
    enum class Operation {
        EnumPrinters,
        EnumPorts,
        DefaultPrinter,
        DefaultSettings,
        Validate,
        Capabilities,
        Metrics,
        StartJob,
        NewPage,
        Finish,
    };

    FakeSpooler() = default;

    // Scripting (thread-safe).
    void setPrinters(std::vector<FakePrinter> printers);
    void addPrinter(FakePrinter printer);
    void removePrinter(const QString &name);
    void setPorts(QStringList ports);
    void setDefaultPrinter(const QString &name);
    // The operation fails with that cause until cleared; times < 0 fails
    // every time, otherwise that many times.
    void failOn(Operation op, const QString &cause, int times = -1);
    void clearFailures();
    // Replaces the driver's merge of a changed block (default: keep it).
    void setValidator(std::function<void(const QString &device, QByteArray &block)> validator);

    // Records.
    std::vector<RecordedJob> jobs() const;
    int calls(Operation op) const;
    QString lastWorkingDirectory() const;

    // Spooler
    std::vector<PrinterRecord> enumPrinters() override;
    QStringList enumPorts() override;
    QString defaultPrinter() override;
    QString driverName(const QString &device) override;
    QString portName(const QString &device) override;
    QByteArray defaultSettings(const QString &device) override;
    void validateSettings(const QString &device, QByteArray &block) override;
    DeviceCapabilities capabilities(const QString &device, const QByteArray &block) override;
    DeviceMetrics metrics(const QString &device, const QByteArray &block) override;
    std::unique_ptr<SpoolerJob> startJob(const QString &device, const QString &port,
                                         const QByteArray &block, const QString &title) override;
    void setWorkingDirectory(const QString &dir) override;

private:
    class Job;
    friend class Job;

    void enter(Operation op); // counts the call, throws a scripted failure
    const FakePrinter &find(const QString &device) const;
    void storeJob(std::size_t slot, RecordedJob job);

    mutable std::recursive_mutex mutex_;
    std::vector<FakePrinter> printers_;
    QStringList ports_;
    QString default_;
    struct Failure
    {
        QString cause;
        int times;
    };
    std::map<Operation, Failure> failures_;
    std::map<Operation, int> calls_;
    std::function<void(const QString &, QByteArray &)> validator_;
    std::vector<RecordedJob> jobs_;
    QString workingDir_;
};

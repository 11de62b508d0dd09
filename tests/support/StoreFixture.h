#pragma once
// A store test run on each back end: a fresh SQLite file, or a fresh
// database on the private PostgreSQL server, and the clock put back after.
#include "PrivatePostgres.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class StoreBackEndTest : public ::testing::TestWithParam<ledger::StoreTarget::Kind>
{
protected:
    static PrivatePostgres &server()
    {
        static PrivatePostgres instance;
        return instance;
    }
    void SetUp() override
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "store_test";
            static char *argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
        ASSERT_TRUE(dir.isValid());
        if (GetParam() == ledger::StoreTarget::Kind::Sqlite) {
            store = ledger::StoreTarget::sqlite(ledger::ledgerFilePath(dir.path()));
        } else {
            ASSERT_TRUE(server().error().isEmpty()) << server().error().toStdString();
            static int serial = 0;
            const QString name = QStringLiteral("fixture_%1").arg(++serial);
            ASSERT_TRUE(server().createDatabase(name)) << server().error().toStdString();
            store = ledger::StoreTarget::postgres(server().connectString(name));
        }
    }
    void TearDown() override
    {
        ledger::NoteLedger::nowProvider = [] { return QDateTime::currentDateTime(); };
    }

    QTemporaryDir dir;
    ledger::StoreTarget store;
};

inline std::string backEndName(const ::testing::TestParamInfo<ledger::StoreTarget::Kind> &info)
{
    return info.param == ledger::StoreTarget::Kind::Sqlite ? "SQLite" : "PostgreSQL";
}

#pragma once
// A settings store of the test's own: XDG_CONFIG_HOME points at a fresh temporary folder
// while the object lives (child processes inherit it).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace teststore {

class PrivateStore {
public:
    PrivateStore() : hadPrevious_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), previous_(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
    }
    ~PrivateStore()
    {
        if (hadPrevious_)
            qputenv("XDG_CONFIG_HOME", previous_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    PrivateStore(const PrivateStore&) = delete;
    PrivateStore& operator=(const PrivateStore&) = delete;

    bool IsValid() const { return dir_.isValid(); }
    // The configuration folder the store lives in.
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool hadPrevious_;
    QByteArray previous_;
};

} // namespace teststore

// A test fixture with a private store.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(store_.IsValid()); }

    QString ConfigDir() const { return store_.Path(); }

private:
    teststore::PrivateStore store_;
};

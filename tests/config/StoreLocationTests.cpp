#include "ConfigTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace rure {
namespace {

class ConfigStoreLocation : public test::StoreTest {};

// Sets an environment variable for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (hadValue_) {
            qputenv(name_, previous_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool hadValue_;
    QByteArray previous_;
};

TEST_F(ConfigStoreLocation, AnOverrideIsUsedAsTheFolderItself) {
    const CameraConfigurationStore store(storeDirectory());
    EXPECT_EQ(store.appSupportDirectory(), storeDirectory());

    ASSERT_TRUE(store.save(test::sampleCameras()).ok());

    EXPECT_EQ(test::entriesIn(storeDirectory()),
              QStringList({"cameras.json", "cameras.last-good.json"}));
    EXPECT_FALSE(QFileInfo::exists(storeDirectory() + "/rure"));
}

TEST_F(ConfigStoreLocation, SharedStoreLivesInTheUsersDataFolder) {
    QTemporaryDir first;
    QTemporaryDir second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    {
        // Set before the shared store is first used; no other test uses it.
        const ScopedEnvironment dataHome("XDG_DATA_HOME", QFile::encodeName(first.path()));

        std::vector<CameraConfigurationStore*> seen(4, nullptr);
        std::vector<std::thread> threads;
        for (auto& slot : seen) {
            threads.emplace_back([&slot] { slot = &CameraConfigurationStore::shared(); });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        for (CameraConfigurationStore* store : seen) {
            EXPECT_EQ(store, &CameraConfigurationStore::shared());
        }

        EXPECT_EQ(CameraConfigurationStore::shared().appSupportDirectory(), first.path() + "/rure");
        EXPECT_EQ(CameraConfigurationStore().appSupportDirectory(), first.path() + "/rure");
        ASSERT_TRUE(CameraConfigurationStore::shared().save(test::sampleCameras()).ok());
        EXPECT_EQ(test::permissions(first.path() + "/rure"), 0700u);
        EXPECT_EQ(test::readBytes(first.path() + "/rure/cameras.json"),
                  encoded(test::sampleCameras()));
    }
    {
        // The folder is looked up on every call, not remembered.
        const ScopedEnvironment dataHome("XDG_DATA_HOME", QFile::encodeName(second.path()));
        EXPECT_EQ(CameraConfigurationStore::shared().appSupportDirectory(),
                  second.path() + "/rure");
        const Result<QList<Camera>> loaded = CameraConfigurationStore::shared().load();
        ASSERT_TRUE(loaded.ok());
        EXPECT_TRUE(loaded.value().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(second.path() + "/rure"));
    }
}

} // namespace
} // namespace rure

// A loaded pack stays findable under the name the loader knows it by.
#include "app/LanguagePack.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

int collectFdModules(struct dl_phdr_info* info, size_t, void* data) {
    const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
    if (name.rfind("/proc/self/fd/", 0) == 0)
        static_cast<std::vector<std::string>*>(data)->push_back(name);
    return 0;
}

std::vector<std::string> modulesLoadedThroughDescriptors() {
    std::vector<std::string> names;
    ::dl_iterate_phdr(collectFdModules, &names);
    return names;
}

bool sameFile(const std::string& a, const QString& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

// Debuggers, the sanitizers' symbolizers and crash tools open a module by its name; a name whose
// descriptor was closed and taken by another file had the thread sanitizer read a lock file as
// the pack and die of SIGBUS.
TEST(LanguagePack, ItsModuleNameLeadsToThePackWhileLoadedAndIsFreedAfter) {
    const QString pack = QStringLiteral(OSTRELY_TEST_PACK_DIR "/xx_TEST.so");
    const auto before = modulesLoadedThroughDescriptors();
    LanguagePack loaded;
    int error = 0;
    ASSERT_TRUE(loaded.load(pack, error)) << error;
    // Whatever the program opens next may take a freed number.
    const int other = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    const auto during = modulesLoadedThroughDescriptors();
    ASSERT_EQ(during.size(), before.size() + 1);
    const std::string& name = during.back();
    EXPECT_TRUE(sameFile(name, pack)) << name << " no longer leads to the pack";

    loaded.unload();
    EXPECT_EQ(modulesLoadedThroughDescriptors().size(), before.size());
    struct stat st {};
    EXPECT_NE(::stat(name.c_str(), &st), 0) << "the pack's descriptor outlived the pack";
    ::close(other);
}

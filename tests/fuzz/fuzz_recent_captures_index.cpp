// recent-captures.json is read at every start from a folder the user can edit: any bytes must
// list as a library (empty when unreadable) whose files all lie inside the store's folder.
#include "library/RecentCaptureStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
struct Store
{
    QTemporaryDir folder;
    RecentCaptureStore store{folder.path(), nullptr, nullptr};

    Store()
    {
        // One real capture the index may name.
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.save(folder.filePath(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE.png")));
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Store s;
    QFile index(s.store.indexFilePath());
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    index.write(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    index.close();
    for (const RecentCaptureItem &item : s.store.loadItems()) {
        if (!item.fileURL.startsWith(s.folder.path() + QLatin1Char('/')) ||
            item.fileURL.mid(s.folder.path().size() + 1).contains(QLatin1Char('/')))
            std::abort();
    }
    return 0;
}

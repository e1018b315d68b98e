#include "PixelMemory.h"

#include "platform/Gdi.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace imaging {

namespace {

// The first whole number in a small system file ("max" and unreadable files: nullopt).
std::optional<std::int64_t> NumberInFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 number = file.read(64).trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(number) : std::nullopt;
}

// The control group of this process by /proc/self/cgroup: v2's one line "0::/path", or
// v1's line that names the memory controller.
QString CgroupPath(bool& v2)
{
    QFile file(QStringLiteral("/proc/self/cgroup"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString v1Path;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QStringList fields = line.split(u':');
        if (fields.size() < 3)
            continue;
        if (fields[0] == u'0' && fields[1].isEmpty()) {
            v2 = true;
            return fields.mid(2).join(u':');
        }
        if (fields[1].split(u',').contains(QStringLiteral("memory")))
            v1Path = fields.mid(2).join(u':');
    }
    return v1Path;
}

// What the control group still lets this process use; nullopt where it sets no limit.
std::optional<std::int64_t> CgroupRoom()
{
    bool v2 = false;
    const QString group = CgroupPath(v2);
    // Inside a container the group's own folder is often mounted as the root.
    const QString base = v2 ? QStringLiteral("/sys/fs/cgroup") : QStringLiteral("/sys/fs/cgroup/memory");
    const QString limitName = v2 ? QStringLiteral("memory.max") : QStringLiteral("memory.limit_in_bytes");
    const QString usageName = v2 ? QStringLiteral("memory.current") : QStringLiteral("memory.usage_in_bytes");
    for (const QString& folder : {base + group, base}) {
        const std::optional<std::int64_t> limit = NumberInFile(folder + u'/' + limitName);
        if (!limit)
            continue;
        // v1 writes "no limit" as a number near 2^63.
        if (*limit <= 0 || *limit >= (std::int64_t{1} << 60))
            return std::nullopt;
        return std::max<std::int64_t>(*limit - NumberInFile(folder + u'/' + usageName).value_or(0), 0);
    }
    return std::nullopt;
}

// Blocks below this go straight to the C heap, which keeps and reuses them itself.
constexpr std::int64_t kPooledMinBytes = std::int64_t{1} << 20;

std::int64_t PageSize()
{
    static const std::int64_t size = sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096;
    return size;
}

std::int64_t WholePages(std::int64_t bytes)
{
    return (bytes + PageSize() - 1) / PageSize() * PageSize();
}

// Idle blocks one pool keeps at most: a bitmap and the decoder's arrays, and one spare.
constexpr std::size_t kMaxKeptBlocks = 3;

// Large blocks are mapped from the system directly, so that giving one back returns its
// pages at once: the C heap would keep them in the freeing thread's arena, out of sight
// of the budget. Fresh mappings read as zero.
//
// Every page of a block is written soon (a bitmap row by row, coefficients block by
// block), so the kernel fills them in at once rather than one fault at a time. Small
// pages on purpose: huge ones cost a few milliseconds less where the system has a 2 MiB
// run of warm memory at hand, but where it has not (a virtual machine hands freed runs
// back to its host after a moment) the first touch of each costs six times what small
// pages do, and that is the common case at the start of a run.
std::uint8_t* MapFresh(std::int64_t bytes, std::int64_t* capacity)
{
    *capacity = WholePages(bytes);
    const auto size = static_cast<std::size_t>(*capacity);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    madvise(memory, size, MADV_NOHUGEPAGE);
    madvise(memory, size, MADV_POPULATE_WRITE); // older kernels: the pages come by faults
    return static_cast<std::uint8_t*>(memory);
}

void Unmap(std::uint8_t* memory, std::int64_t capacity)
{
    munmap(memory, static_cast<std::size_t>(capacity));
}

struct Block {
    std::uint8_t* memory = nullptr;
    std::int64_t capacity = 0;
    MemoryBudget* keptUnder = nullptr; // the budget charged for keeping it, if any
};

// Set when the thread's pool has gone (at the thread's end): memory freed after that,
// by the destructors of longer-lived objects, goes straight back to the heap.
thread_local bool poolEnded = false;

class Pool;

// Every thread's pool, and the budget of the run in progress. Lock order: this, then a
// pool's own mutex.
struct PoolRegistry {
    std::mutex mutex;
    std::vector<Pool*> pools;
    MemoryBudget* budget = nullptr;
};

PoolRegistry& Registry()
{
    static PoolRegistry registry;
    return registry;
}

void FreeBlock(const Block& block)
{
    if (block.keptUnder)
        block.keptUnder->Unkeep(block.capacity);
    Unmap(block.memory, block.capacity);
}

// One thread's idle blocks. Other threads only trim it (under the registry's lock).
class Pool {
public:
    Pool()
    {
        const std::scoped_lock lock(Registry().mutex);
        Registry().pools.push_back(this);
    }
    ~Pool()
    {
        const std::scoped_lock lock(Registry().mutex);
        std::erase(Registry().pools, this);
        TrimLocked(nullptr);
        poolEnded = true;
    }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // The smallest kept block that holds bytes, its unneeded end given back to the
    // system (pictures come largest first, so the end is seldom wanted again, and it
    // would be memory the picture is not charged for); or a fresh one.
    std::uint8_t* Take(std::int64_t bytes, std::int64_t* capacity, bool zeroed)
    {
        Block block;
        {
            const std::scoped_lock lock(Registry().mutex, mutex_);
            auto best = kept_.end();
            for (auto it = kept_.begin(); it != kept_.end(); ++it) {
                if (it->capacity >= bytes && (best == kept_.end() || it->capacity < best->capacity))
                    best = it;
            }
            if (best == kept_.end())
                return MapFresh(bytes, capacity);
            block = *best;
            kept_.erase(best);
            if (block.keptUnder)
                block.keptUnder->Unkeep(block.capacity);
        }
        const std::int64_t needed = WholePages(bytes);
        if (block.capacity > needed) {
            Unmap(block.memory + needed, block.capacity - needed);
            block.capacity = needed;
        }
        *capacity = block.capacity;
        if (zeroed)
            std::memset(block.memory, 0, static_cast<std::size_t>(bytes));
        return block.memory;
    }

    // Keeps the block while the run's budget (or, outside a run, the one spare) allows.
    void Give(std::uint8_t* memory, std::int64_t capacity)
    {
        std::vector<Block> freed;
        {
            const std::scoped_lock lock(Registry().mutex, mutex_);
            MemoryBudget* budget = Registry().budget;
            const std::size_t most = budget ? kMaxKeptBlocks : 1;
            while (kept_.size() >= most) { // the oldest goes first
                Block oldest = kept_.front();
                kept_.erase(kept_.begin());
                if (oldest.keptUnder)
                    oldest.keptUnder->Unkeep(oldest.capacity);
                freed.push_back(oldest);
            }
            if (!budget || budget->TryKeep(capacity)) {
                kept_.push_back({memory, capacity, budget});
                memory = nullptr;
            }
        }
        for (const Block& block : freed)
            Unmap(block.memory, block.capacity);
        if (memory)
            Unmap(memory, capacity);
    }

    // Frees the idle blocks (those kept under budget, or all for nullptr); the caller
    // holds the registry's lock.
    void TrimLocked(MemoryBudget* budget)
    {
        const std::scoped_lock lock(mutex_);
        std::erase_if(kept_, [&](const Block& block) {
            if (budget && block.keptUnder != budget)
                return false;
            FreeBlock(block);
            return true;
        });
    }

private:
    std::mutex mutex_;
    std::vector<Block> kept_;
};

Pool& ThisThreadsPool()
{
    thread_local Pool pool;
    return pool;
}

std::uint8_t* TakeLarge(std::int64_t bytes, std::int64_t* capacity, bool zeroed)
{
    if (bytes >= kPooledMinBytes)
        return poolEnded ? MapFresh(bytes, capacity) : ThisThreadsPool().Take(bytes, capacity, zeroed);
    *capacity = bytes;
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(bytes, 1));
    return static_cast<std::uint8_t*>(zeroed ? std::calloc(size, 1) : std::malloc(size));
}

thread_local bool unzeroedBitmaps = false;

std::uint8_t* TakeForBitmap(std::int64_t bytes, std::int64_t* capacity)
{
    return TakeLarge(bytes, capacity, !unzeroedBitmaps);
}

// The drawing layer's bitmaps take their memory from the pools.
[[maybe_unused]] const bool kInstalled = [] {
    gdi::SetPixelSource({TakeForBitmap, GivePixelMemory});
    return true;
}();

} // namespace

std::int64_t PictureMemoryNeed(const PictureHeader& header, std::int64_t fileBytes, std::int64_t resultPixels)
{
    const std::int64_t bitmap = gdi::RowStride(header.width, 24) * std::max(header.height, 0);
    // The result bitmap, and the encoder's output, which stays well below 3 bytes a pixel.
    return std::max<std::int64_t>(fileBytes, 0) + bitmap + std::max<std::int64_t>(header.decodeBytes, 0)
        + std::max<std::int64_t>(resultPixels, 0) * 6;
}

std::int64_t AvailableMemoryBytes()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!meminfo.atEnd()) {
            const QByteArray line = meminfo.readLine();
            if (line.startsWith("MemAvailable:")) {
                bool ok = false;
                const qint64 kib = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
                if (ok)
                    return kib * 1024;
            }
        }
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::int64_t{pages} * pageSize : std::int64_t{1} << 31;
}

std::int64_t DefaultMemoryBudget()
{
    std::int64_t room = AvailableMemoryBytes();
    if (const std::optional<std::int64_t> group = CgroupRoom())
        room = std::min(room, *group);
    // The rest is for the program itself, the file cache and whatever else runs.
    return std::max<std::int64_t>(room / 4 * 3, std::int64_t{64} << 20);
}

std::optional<std::int64_t> ReadMemorySize(const QString& text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit() && text[digits].unicode() < 0x80)
        ++digits;
    if (digits == 0 || digits > 19)
        return std::nullopt;
    bool ok = false;
    const std::uint64_t number = text.left(digits).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    QString unit = text.mid(digits).toUpper();
    if (unit.endsWith(QLatin1String("IB")))
        unit.chop(2);
    else if (unit.size() > 1 && unit.endsWith(u'B'))
        unit.chop(1);
    static const QString kUnits = QStringLiteral("KMGT");
    int shift = 0;
    if (unit == QLatin1String("B"))
        unit.clear();
    if (!unit.isEmpty()) {
        const qsizetype at = unit.size() == 1 ? kUnits.indexOf(unit[0]) : -1;
        if (at < 0)
            return std::nullopt;
        shift = 10 * static_cast<int>(at + 1);
    }
    constexpr std::uint64_t kMax = std::uint64_t{1} << 62;
    if (number == 0 || number > (kMax >> shift))
        return std::nullopt;
    return static_cast<std::int64_t>(number << shift);
}

bool MemoryBudget::TryCharge(std::int64_t bytes)
{
    const std::scoped_lock lock(mutex_);
    if (charged_ > 0 && charged_ + kept_ + bytes > limit_)
        return false;
    charged_ += bytes;
    return true;
}

bool MemoryBudget::TryKeep(std::int64_t bytes)
{
    const std::scoped_lock lock(mutex_);
    if (charged_ + kept_ + bytes > limit_)
        return false;
    kept_ += bytes;
    return true;
}

void MemoryBudget::Unkeep(std::int64_t bytes)
{
    const std::scoped_lock lock(mutex_);
    kept_ -= bytes;
}

std::int64_t MemoryBudget::Kept() const
{
    const std::scoped_lock lock(mutex_);
    return kept_;
}

RunMemory::RunMemory(MemoryBudget& budget)
{
    const std::scoped_lock lock(Registry().mutex);
    Registry().budget = &budget;
}

RunMemory::~RunMemory()
{
    const std::scoped_lock lock(Registry().mutex);
    for (Pool* pool : Registry().pools)
        pool->TrimLocked(Registry().budget);
    Registry().budget = nullptr;
}

void TrimPools()
{
    const std::scoped_lock lock(Registry().mutex);
    for (Pool* pool : Registry().pools)
        pool->TrimLocked(nullptr);
}

UnzeroedBitmaps::UnzeroedBitmaps()
{
    unzeroedBitmaps = true;
}

UnzeroedBitmaps::~UnzeroedBitmaps()
{
    unzeroedBitmaps = false;
}

std::uint8_t* TakePixelMemory(std::int64_t bytes, std::int64_t* capacity)
{
    return TakeLarge(bytes, capacity, true);
}

std::uint8_t* TakeUnzeroedPixelMemory(std::int64_t bytes, std::int64_t* capacity)
{
    return TakeLarge(bytes, capacity, false);
}

void GivePixelMemory(std::uint8_t* memory, std::int64_t capacity)
{
    if (!memory)
        return;
    if (capacity < kPooledMinBytes)
        std::free(memory);
    else if (poolEnded)
        Unmap(memory, capacity);
    else
        ThisThreadsPool().Give(memory, capacity);
}

void MemoryBudget::Release(std::int64_t bytes)
{
    const std::scoped_lock lock(mutex_);
    charged_ -= bytes;
}

std::int64_t MemoryBudget::Charged() const
{
    const std::scoped_lock lock(mutex_);
    return charged_;
}

} // namespace imaging

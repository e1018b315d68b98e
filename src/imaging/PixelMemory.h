#pragma once
// The one home of pixel memory: what a picture needs while it is shrunk, the run's
// budget that bounds the pictures in work across workers, and the per-worker pools that
// hand the same blocks to picture after picture.

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>

namespace imaging {

// What a picture file's header tells before anything is decoded.
struct PictureHeader {
    // As decoded, before any EXIF turn (HEIF's own transformations applied).
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t decodeBytes = 0; // the decoder's own working memory beyond the bitmap
                                  // (a progressive JPEG's coefficients, band buffers)
};

// Bytes a shrink of the picture holds at its peak: the file's bytes, the decoded bitmap,
// the decoder's working memory and the result (bitmap and encoded copy) of resultPixels.
std::int64_t PictureMemoryNeed(const PictureHeader& header, std::int64_t fileBytes, std::int64_t resultPixels);

// What a picture whose header cannot be read is charged: the most Qt's image readers
// allocate for one picture by default. Such a file mostly fails early anyway.
inline constexpr std::int64_t kUnknownPictureBytes = std::int64_t{256} << 20;

// Bytes the system can still hand out without swapping (MemAvailable), or the physical
// memory size where that is unknown.
std::int64_t AvailableMemoryBytes();

// The budget of a run that nobody sized by hand: three quarters of the memory available
// now, and no more than a control group's limit (cgroup v2 memory.max, or v1
// memory.limit_in_bytes) leaves beside what the group already uses.
std::int64_t DefaultMemoryBudget();

// A size text as image tools take it: a whole number of bytes, or one with the suffix
// K, M, G or T (powers of 1024, either letter case, an optional "B" or "iB" after it):
// "4G", "800M", "1536k". nullopt for anything else, zero, or more than 2^62 bytes.
std::optional<std::int64_t> ReadMemorySize(const QString& text);

// The memory a run's pictures in work may hold together, and the blocks the workers'
// pools keep idle between pictures. Pictures are charged by the one thread that hands
// them out; pools charge and release what they keep from their own threads.
class MemoryBudget {
public:
    explicit MemoryBudget(std::int64_t limitBytes) : limit_(limitBytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    std::int64_t Limit() const { return limit_; }
    // Charges a picture of bytes when it fits beside what is charged and kept, or when no
    // picture is charged (a picture larger than the whole budget then runs alone, the
    // pools' idle blocks given back first); false otherwise.
    bool TryCharge(std::int64_t bytes);
    void Release(std::int64_t bytes);
    // Pictures charged and not released.
    std::int64_t Charged() const;

    // A pool asks to keep an idle block of bytes; true when it fits beside everything.
    bool TryKeep(std::int64_t bytes);
    // A pool hands a kept block out again or frees it.
    void Unkeep(std::int64_t bytes);
    std::int64_t Kept() const;

private:
    const std::int64_t limit_;
    mutable std::mutex mutex_;
    std::int64_t charged_ = 0;
    std::int64_t kept_ = 0;
};

// Pixel memory (bitmaps and the decoder's large arrays) comes from a pool per thread
// that keeps freed blocks and hands them out again, so a worker shrinking picture after
// picture touches fresh pages once per run, not once per picture. Small blocks go
// straight to the C heap. While a RunMemory lives, every pool keeps only what its
// budget allows; without one, a pool keeps one spare block.
class RunMemory {
public:
    explicit RunMemory(MemoryBudget& budget);
    // Frees every pool's idle blocks: the run's memory goes back to the system.
    ~RunMemory();
    RunMemory(const RunMemory&) = delete;
    RunMemory& operator=(const RunMemory&) = delete;
};

// Gives every pool's idle blocks back to the system (the run's thread does this when a
// picture does not fit beside them).
void TrimPools();

// While one lives, the bitmaps the calling thread makes get pixel memory that is not
// zeroed: for a maker that writes every byte (the JPEG decoder), which spares a pass
// over a reused block.
class UnzeroedBitmaps {
public:
    UnzeroedBitmaps();
    ~UnzeroedBitmaps();
    UnzeroedBitmaps(const UnzeroedBitmaps&) = delete;
    UnzeroedBitmaps& operator=(const UnzeroedBitmaps&) = delete;
};

// Zeroed pixel memory of at least bytes from the calling thread's pool; its capacity
// goes to *capacity. Null when memory runs out.
std::uint8_t* TakePixelMemory(std::int64_t bytes, std::int64_t* capacity);
// The same without zeroing, for a caller that writes every byte before reading any.
std::uint8_t* TakeUnzeroedPixelMemory(std::int64_t bytes, std::int64_t* capacity);
// Gives memory from TakePixelMemory back to the calling thread's pool.
void GivePixelMemory(std::uint8_t* memory, std::int64_t capacity);

} // namespace imaging

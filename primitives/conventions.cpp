#include "primitives/conventions.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace vtx::px {

namespace {

constexpr std::int64_t kHeaderSlack = 36;

std::uint8_t* AlignedFromRaw(void* raw) {
    const std::uintptr_t r = reinterpret_cast<std::uintptr_t>(raw);
    return reinterpret_cast<std::uint8_t*>((r + 35) & ~std::uintptr_t{31});
}

void StoreHeader(std::uint8_t* aligned, void* raw) {
    std::uint32_t word;
    if constexpr (sizeof(void*) == 4) {
        word = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(raw));
    } else {
        word = static_cast<std::uint32_t>(aligned - static_cast<std::uint8_t*>(raw));
    }
    std::memcpy(aligned - 4, &word, 4);
}

void* RawFromAligned(void* ptr) {
    std::uint8_t* aligned = static_cast<std::uint8_t*>(ptr);
    std::uint32_t word;
    std::memcpy(&word, aligned - 4, 4);
    if constexpr (sizeof(void*) == 4) {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word));
    } else {
        return aligned - word;
    }
}

std::atomic<std::int32_t> g_processorIndex{kCpuPlain};
std::atomic<std::int32_t> g_processorCeiling{kCpuHighest};

}  // namespace

void* MallocBytes(std::int64_t bytes) {
    if (bytes < 1 || bytes > INT64_MAX - kHeaderSlack) return nullptr;
    const std::int64_t total = bytes + kHeaderSlack;
    if (static_cast<std::uint64_t>(total) > SIZE_MAX) return nullptr;
    void* raw = std::malloc(static_cast<std::size_t>(total));
    if (raw == nullptr) return nullptr;
    std::uint8_t* aligned = AlignedFromRaw(raw);
    StoreHeader(aligned, raw);
    return aligned;
}

std::uint8_t* Malloc_8u_AC4(std::int32_t width, std::int32_t height, std::int32_t* stepOut) {
    if (stepOut == nullptr) return nullptr;
    if (width < 1 || height < 1) {
        *stepOut = 0;
        return nullptr;
    }
    const std::int64_t step = (std::int64_t{4} * width + 31) & ~std::int64_t{31};
    if (step > INT32_MAX) {
        *stepOut = 0;
        return nullptr;
    }
    *stepOut = static_cast<std::int32_t>(step);
    return static_cast<std::uint8_t*>(MallocBytes(step * height));
}

void Free(void* ptr) {
    if (ptr == nullptr) return;
    std::free(RawFromAligned(ptr));
}

namespace {

std::int32_t ClassicIndex(const CpuIdentification& id) {
    if (!id.hasCpuid) return kCpuPlain;
    if (id.family == 15) {
        if (id.sse2 && id.sse3) return kCpuSse3;
        if (id.sse2) return kCpuSse2;
        return kCpuPlain;
    }
    if (id.family == 6) {
        if (id.sse2) return kCpuSse2;
        if (id.sse) return kCpuSse;
        return kCpuPlain;
    }
    return kCpuPlain;
}

}  // namespace

std::int32_t SelectProcessorIndex(const CpuIdentification& id) {
    const std::int32_t index = ClassicIndex(id);
    if (index < kCpuSse2 || !id.avx2) return index;
    return id.avx512 ? kCpuAvx512 : kCpuAvx2;
}

CpuIdentification ReadCpuIdentification() {
    CpuIdentification id{};
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0, nullptr) < 1) return id;
    __cpuid(1, eax, ebx, ecx, edx);
    id.hasCpuid = true;
    id.family = (eax >> 8) & 0xF;
    id.sse = (edx >> 25) & 1;
    id.sse2 = (edx >> 26) & 1;
    id.sse3 = ecx & 1;
    const bool osxsave = (ecx >> 27) & 1;
    if (osxsave && __get_cpuid_max(0, nullptr) >= 7) {
        // XGETBV with ECX = 0: which register states the system saves.
        unsigned xcr0lo = 0, xcr0hi = 0;
        __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(xcr0lo), "=d"(xcr0hi) : "c"(0));
        const bool ymm = (xcr0lo & 0x6) == 0x6;
        const bool zmm = (xcr0lo & 0xE6) == 0xE6;
        unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
        __cpuid_count(7, 0, a7, b7, c7, d7);
        id.avx2 = ymm && ((b7 >> 5) & 1);
        id.avx512 = id.avx2 && zmm && ((b7 >> 16) & 1) && ((b7 >> 30) & 1) && ((c7 >> 1) & 1);
    }
#endif
    return id;
}

void SelectProcessor() {
    std::int32_t index = SelectProcessorIndex(ReadCpuIdentification());
    const std::int32_t ceiling = g_processorCeiling.load(std::memory_order_relaxed);
    if (index > ceiling) index = ceiling;
    g_processorIndex.store(index, std::memory_order_relaxed);
}

std::int32_t GetProcessorIndex() {
    return g_processorIndex.load(std::memory_order_relaxed);
}

Status ForceProcessorCeiling(std::int32_t ceiling) {
    if (ceiling < kCpuPlain || ceiling > kCpuHighest) return kStsBadArg;
    g_processorCeiling.store(ceiling, std::memory_order_relaxed);
    SelectProcessor();
    return kStsOk;
}

}  // namespace vtx::px

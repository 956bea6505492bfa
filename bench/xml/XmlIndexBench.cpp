// Indexes a generated UTF-16 document of about 50 MB (one million elements with attributes and
// text) with CXmlDocument::ParseText, reads every attribute back with GetChildAttribute, and parses
// the same content as UTF-8 with pugixml's default options. Prints the times, the ratio, and the
// index memory per element beyond the text (counted through operator new while ParseText runs).
// Usage: xml_index_bench [elements] [runs]
#include "xml/XmlDocument.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <pugixml.hpp>
#include <string>
#include <time.h>

namespace {

std::atomic<int64_t> g_bytesNow{0};
std::atomic<int64_t> g_bytesPeak{0};

void Count(void* p) {
    const auto now = g_bytesNow.fetch_add(static_cast<int64_t>(malloc_usable_size(p))) +
                     static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = g_bytesPeak.load();
    while (now > peak && !g_bytesPeak.compare_exchange_weak(peak, now)) {
    }
}

void* Allocate(size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    Count(p);
    return p;
}

void Release(void* p) {
    if (p != nullptr) {
        g_bytesNow.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)));
        std::free(p);
    }
}

// Wall time and this thread's CPU time since a mark; the machine is shared, so the CPU time is the
// steadier of the two.
struct Mark {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();

    static double CpuSeconds() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
};

struct Best {
    double wall = 1e9;
    double cpu = 1e9;
    void Take(const Mark& since) {
        wall = std::min(wall,
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - since.wall).count());
        cpu = std::min(cpu, Mark::CpuSeconds() - since.cpu);
    }
};

// One line per element, about 26 units: <e i="123456" f="3">x</e>
std::string MakeDocument(int elements) {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<root>\n";
    text.reserve(static_cast<size_t>(elements) * 27 + 64);
    char line[64];
    for (int i = 0; i < elements; ++i) {
        std::snprintf(line, sizeof line, "<e i=\"%d\" f=\"%d\">x</e>\n", i, i % 7);
        text += line;
    }
    text += "</root>\n";
    return text;
}

} // namespace

void* operator new(size_t n) {
    return Allocate(n);
}
void* operator new[](size_t n) {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}

int main(int argc, char** argv) {
    const int elements = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    const std::string utf8 = MakeDocument(elements);
    std::u16string utf16;
    utf16.reserve(utf8.size() + 1);
    utf16.push_back(u'\uFEFF');
    utf16.append(utf8.begin(), utf8.end()); // the content is ASCII
    std::printf("document: %d elements, %zu UTF-16 units (%.1f MB), %zu UTF-8 bytes\n", elements,
                utf16.size(), static_cast<double>(utf16.size() * 2) / 1e6, utf8.size());

    Best ours;
    Best attributes;
    Best pugixml;
    int64_t indexBytes = 0;
    size_t attributeUnits = 0;
    for (int run = 0; run < runs; ++run) {
        {
            auto* doc = new xml::CXmlDocument;
            const int64_t before = g_bytesNow.load();
            g_bytesPeak.store(before);
            const Mark parse;
            const bool ok = doc->ParseText(utf16);
            ours.Take(parse);
            const int64_t textBytes =
                static_cast<int64_t>(malloc_usable_size(const_cast<char16_t*>(doc->Text().data())));
            indexBytes = g_bytesPeak.load() - before - textBytes;
            if (!ok || doc->FreeRecord() != elements + 2) {
                std::printf("ParseText failed: %d records\n", doc->FreeRecord());
                return 1;
            }

            const Mark read;
            attributeUnits = 0;
            doc->ResetPosition();
            doc->FindNextElement();
            while (doc->FindNextChild()) {
                attributeUnits += doc->GetChildAttribute(u"i").size();
                attributeUnits += doc->GetChildAttribute(u"f").size();
            }
            attributes.Take(read);
            delete doc;
        }
        {
            pugi::xml_document pdoc;
            const Mark parse;
            const pugi::xml_parse_result result = pdoc.load_buffer(utf8.data(), utf8.size());
            pugixml.Take(parse);
            if (!result) {
                std::printf("pugixml failed: %s\n", result.description());
                return 1;
            }
        }
    }

    std::printf("best of %d runs               wall ms    cpu ms\n", runs);
    std::printf("ParseText                   %8.1f  %8.1f\n", ours.wall * 1e3, ours.cpu * 1e3);
    std::printf("pugixml load_buffer         %8.1f  %8.1f\n", pugixml.wall * 1e3, pugixml.cpu * 1e3);
    std::printf("ratio ParseText / pugixml   %8.2f  %8.2f\n", ours.wall / pugixml.wall,
                ours.cpu / pugixml.cpu);
    std::printf("GetChildAttribute x %-8d %8.1f  %8.1f  (%zu units read)\n", 2 * elements,
                attributes.wall * 1e3, attributes.cpu * 1e3, attributeUnits);
    std::printf("index beyond the text:     %8.1f MB, %.1f bytes per element\n",
                static_cast<double>(indexBytes) / 1e6, static_cast<double>(indexBytes) / (elements + 1));
    return 0;
}

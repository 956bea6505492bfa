// The command-line rules: usage request, "bin:", "-silent", "-force" and "true".
#include "app/CommandLine.h"

namespace kestrel {

std::u16string LowerCase(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return lower;
}

bool IsUsageRequest(const std::vector<std::u16string>& args) {
    if (args.size() < 2) {
        return false;
    }
    for (const std::u16string& arg : args) {
        const std::u16string lower = LowerCase(arg);
        if (lower.find(u"/?") != std::u16string::npos || lower.find(u"/help") != std::u16string::npos) {
            return true;
        }
    }
    return false;
}

namespace {

// "bin:" takes exactly one character after its first occurrence, as a decimal digit; 1..9 selects.
void ApplyBinSelect(const std::u16string& lower, size_t at, KestrelOptions& options) {
    const size_t digitAt = at + 4;
    if (digitAt >= lower.size()) {
        return;
    }
    const char16_t digit = lower[digitAt];
    if (digit >= u'1' && digit <= u'9') {
        options.m_nBinSelect = digit - u'0';
    }
}

} // namespace

void ApplyOptions(const std::vector<std::u16string>& args, KestrelOptions& options) {
    if (args.size() < 2) {
        return;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string lower = LowerCase(args[i]);
        if (const size_t at = lower.find(u"bin:"); at != std::u16string::npos) {
            ApplyBinSelect(lower, at, options);
        } else if (lower == u"-silent") {
            options.m_bSilent = true;
            options.m_bAutoStart = true;
        } else if (lower == u"-force") {
            options.m_bForce = true;
        } else if (lower == u"true") {
            options.m_bAutoStart = true;
            // The next argument names the chained program; it is still examined as an option itself.
            if (i + 1 < args.size()) {
                options.m_strChainProgram = LowerCase(args[i + 1]);
            }
        }
    }
}

const std::vector<std::u16string>& UsageText() {
    static const std::vector<std::u16string> kUsage = {
        u"\n\nOrvane Kestrel V1.00\n",
        u"/?  \t\t:help Info\n",
        u"bin:  \t\t:force to update the bin(layout),\n\t\t but still check the version. ex: bin:2\n",
        u"-silent  \t:don't show ui and auto to update fw\n",
        u"-force  \t:force to update fw (Ignore Ver)\n",
        u"\n\nPlease press enter key to end\n",
    };
    return kUsage;
}

} // namespace kestrel

#include "qzdialogs.h"

#include "qzwindow.h"

#include <cstring>

namespace {

qzWindowHandle HandleOf(qzWindow* window) {
    return window != nullptr && window->IsCreated() ? window->GetHandle() : 0;
}

std::vector<std::string> SplitPatterns(const char* list) {
    std::vector<std::string> patterns;
    const char* start = list;
    for (const char* p = list;; ++p) {
        if (*p == ';' || *p == '\0') {
            if (p != start)
                patterns.emplace_back(start, p);
            if (*p == '\0')
                return patterns;
            start = p + 1;
        }
    }
}

bool FileDialog(bool save, qzWindow* owner, const char* initialdirectory, const char* filter,
                const char* defaultextension, bool multiselect, std::vector<std::string>& files) {
    qzFileDialogRequest request;
    request.owner = HandleOf(owner);
    request.save = save;
    request.multiselect = multiselect;
    request.initialdirectory = initialdirectory != nullptr ? initialdirectory : "";
    if (filter != nullptr)
        request.filters = qzParseFileFilter(filter);
    request.defaultextension = defaultextension != nullptr ? defaultextension : "";
    files.clear();
    bool confirmed = qzGetPlatform().FileDialog(request, files);
    if (!confirmed)
        files.clear();
    return confirmed && !files.empty();
}

} // namespace

int qzShowMessageBox(qzWindow* owner, const char* caption, const char* text, uint32_t icon,
                     uint32_t buttons) {
    return qzGetPlatform().MessageBox(HandleOf(owner), text, caption, icon | buttons);
}

std::vector<qzFileFilter> qzParseFileFilter(const char* filter) {
    std::vector<qzFileFilter> filters;
    const char* p = filter;
    while (*p != '\0') {
        const char* description = p;
        p += std::strlen(p) + 1;
        if (*p == '\0')
            break;
        qzFileFilter entry;
        entry.description = description;
        entry.patterns = SplitPatterns(p);
        p += std::strlen(p) + 1;
        if (!entry.patterns.empty())
            filters.push_back(std::move(entry));
    }
    return filters;
}

bool qzGetOpenFileName(qzWindow* owner, const char* initialdirectory, const char* filter,
                       const char* defaultextension, bool multiselect, bool,
                       std::vector<std::string>& files) {
    return FileDialog(false, owner, initialdirectory, filter, defaultextension, multiselect, files);
}

bool qzGetSaveFileName(qzWindow* owner, const char* initialdirectory, const char* filter,
                       const char* defaultextension, bool multiselect, bool,
                       std::vector<std::string>& files) {
    return FileDialog(true, owner, initialdirectory, filter, defaultextension, multiselect, files);
}

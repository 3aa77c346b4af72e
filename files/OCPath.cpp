#include "files/OCPath.h"

#include "files/Paths.h"

OCString& OCPath::SetPath(const char* text) { return path.Assign(text); }

void OCPath::GetDirectory(OCString& out) const {
    const char* text = path.GetText();
    const char* separator = text ? LastSeparator(text) : nullptr;
    if (!separator || EndsWithSeparator(text)) {
        out.Assign(path);
        return;
    }
    out.Assign(text, static_cast<int>(separator - text));
}

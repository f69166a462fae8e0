// The choice of a model from its list line, free of any platform call.
#include <cstring>

#include "model_install.h"

namespace {

ScannerKind KindOfCode(const char* code) {
    switch (code[0]) {
    case 'I':
        return ScannerKind::PixelDriver;
    case 'T':
        return ScannerKind::Twain;
    case 'Y':
        return ScannerKind::PortAndSpeed;
    default:
        return ScannerKind::None;
    }
}

// base + extension; the field limits leave room for it.
void NameWithExtension(char (&out)[kModelFileChars + 1], const char* base, const char* extension) {
    CopyText(out, sizeof out, base);
    AppendText(out, sizeof out, extension);
}

} // namespace

bool IsPlainFileName(const char* name) {
    return strpbrk(name, "\\/:") == nullptr;
}

bool ChooseModel(int id, const ScannerFields& fields, ModelChoice* choice) {
    memset(choice, 0, sizeof *choice);
    choice->id = static_cast<int16_t>(id);
    choice->kind = KindOfCode(fields.code);
    CopyText(choice->model, sizeof choice->model, fields.model);
    const char* pixel = choice->kind == ScannerKind::PixelDriver ? fields.code + 1 : "";
    if (!IsPlainFileName(fields.driver) || !IsPlainFileName(pixel))
        return false;
    if (const size_t length = strlen(fields.driver)) {
        CopyText(choice->driverSource, sizeof choice->driverSource, fields.driver);
        CopyText(choice->driverProgram, sizeof choice->driverProgram, fields.driver);
        // The installed copy's name ends in "E" where the distribution's ends in "_".
        choice->driverProgram[length - 1] = 'E';
    }
    if (pixel[0]) {
        CopyText(choice->pixelDriver, sizeof choice->pixelDriver, pixel);
        NameWithExtension(choice->pixelSource, pixel, ".PX_");
        NameWithExtension(choice->pixelFile, pixel, ".PXW");
    }
    return true;
}

bool InstalledDriverProgram(const char* list, size_t size, int id,
                            char (&program)[kModelFileChars + 1]) {
    TextLineCursor cursor = {list, size, 0};
    char line[kListLineChars + 1];
    ScannerFields fields;
    while (NextTextLine(&cursor, line)) {
        if (ParseScannerLine(line, &fields) != id)
            continue;
        ModelChoice choice;
        ChooseModel(id, fields, &choice);
        memcpy(program, choice.driverProgram, sizeof program);
        return program[0] != '\0';
    }
    return false;
}

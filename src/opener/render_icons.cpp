// Build tool: writes the program's icon as the PNG sizes a desktop theme wants
// ("velotap-<size>.png") and as one Windows icon file holding several sizes ("velotap.ico"), both
// drawn by the same code that draws the window's icon. Runs on the build machine only.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "window/icon.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

void PutLittle(Bytes& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put32(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, static_cast<uint32_t>(
                   crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

bool Png(const velotap::IconImage& icon, Bytes& png) {
    Bytes header;
    Put32(header, static_cast<uint32_t>(icon.size));
    Put32(header, static_cast<uint32_t>(icon.size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    Bytes raw;
    const size_t row = static_cast<size_t>(icon.size) * 4;
    for (int y = 0; y < icon.size; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), icon.rgba.begin() + y * row, icon.rgba.begin() + (y + 1) * row);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK)
        return false;
    packed.resize(packedSize);
    png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return true;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        Bytes png;
        if (!Png(velotap::DrawAppIcon(size), png) ||
            !WriteFile(folder + "/velotap-" + std::to_string(size) + ".png", png)) {
            std::fprintf(stderr, "render_icons: could not write the %d pixel icon\n", size);
            return 1;
        }
    }
    // An icon file whose entries are PNG images (read by Windows Vista and later).
    const int sizes[] = {16, 24, 32, 48, 256};
    std::vector<Bytes> images;
    for (int size : sizes) {
        images.emplace_back();
        if (!Png(velotap::DrawAppIcon(size), images.back())) return 1;
    }
    Bytes ico;
    PutLittle(ico, 0, 2);
    PutLittle(ico, 1, 2);  // icon
    PutLittle(ico, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        ico.push_back(static_cast<unsigned char>(sizes[i] & 0xff));  // 256 is written as 0
        ico.push_back(static_cast<unsigned char>(sizes[i] & 0xff));
        ico.insert(ico.end(), {0, 0});
        PutLittle(ico, 1, 2);   // planes
        PutLittle(ico, 32, 2);  // bits per pixel
        PutLittle(ico, static_cast<uint32_t>(images[i].size()), 4);
        PutLittle(ico, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& image : images)
        ico.insert(ico.end(), image.begin(), image.end());
    if (!WriteFile(folder + "/velotap.ico", ico)) {
        std::fprintf(stderr, "render_icons: could not write velotap.ico\n");
        return 1;
    }
    return 0;
}

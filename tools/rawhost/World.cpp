#include "World.h"

#include "Report.h"

World::World(std::string name, int width, int height, int depth)
    : width_(width),
      height_(height),
      depth_(depth),
      rowBytes_(static_cast<std::size_t>(width) * 4u * static_cast<std::size_t>(depth) / 8 +
                kRowPadding),
      def_(name, raw::PF_LayerDef::size),
      pixels_(name + " pixels", rowBytes_ * static_cast<std::size_t>(height)) {
    namespace L = raw::PF_LayerDef;
    def_.putPointer(L::data, pixels_.data());
    def_.put<std::int32_t>(L::rowbytes, static_cast<std::int32_t>(rowBytes_));
    def_.put<std::int32_t>(L::width, width);
    def_.put<std::int32_t>(L::height, height);
    setOrigin(0, 0);
}

void World::setOrigin(int x, int y) {
    def_.put<std::int32_t>(raw::PF_LayerDef::origin_x, x);
    def_.put<std::int32_t>(raw::PF_LayerDef::origin_y, y);
}

void World::setPacked(const std::vector<std::uint8_t>& rows) {
    const std::size_t row = static_cast<std::size_t>(width_) * pixelBytes();
    for (int y = 0; y < height_; ++y)
        std::memcpy(pixels_.data() + y * rowBytes_, rows.data() + y * row, row);
}

std::vector<std::uint8_t> World::packed() const {
    const std::size_t row = static_cast<std::size_t>(width_) * pixelBytes();
    std::vector<std::uint8_t> rows(row * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y)
        std::memcpy(rows.data() + y * row, pixels_.data() + y * rowBytes_, row);
    return rows;
}

void World::checkPadding() const {
    const std::size_t row = static_cast<std::size_t>(width_) * pixelBytes();
    for (int y = 0; y < height_; ++y) {
        for (std::size_t i = row; i < rowBytes_; ++i) {
            if (pixels_.data()[y * rowBytes_ + i] != kCanary) {
                Report::get().fail("write past the end of row " + std::to_string(y) + " of " +
                                   pixels_.name() + " at byte " + std::to_string(i) +
                                   " of the row (" + std::to_string(row) + " bytes of pixels)");
                return;
            }
        }
    }
    const long beyond = pixels_.firstWriteBeyond();
    Report::get().check(beyond < 0,
                        "write past " + pixels_.name() + " at byte " + std::to_string(beyond));
}

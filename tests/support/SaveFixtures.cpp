#include "support/SaveFixtures.h"
#include "app/PartitionCommands.h"

#include "app/ScanDriver.h"
#include "volume/VolumeValidation.h"

#include <fstream>
#include <iterator>
#include <random>

namespace qr::test {

void SearchFatImage(app::RecoveryContext& ctx, const FatImage& image) {
    image.selectIn(ctx);
    ctx.searchMode = app::kSearchStandard;
    ctx.validationSucceeded = app::ValidateVolume(ctx) == 1;
    app::ScanWorker(ctx, std::stop_token{});
}

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(gen() & 0xFF);
    return out;
}

} // namespace qr::test

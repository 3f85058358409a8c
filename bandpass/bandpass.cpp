// The band engine: bands built on the helper threads, written whole, the
// files checked and the dots advanced after each band (contract in bandpass.hpp).
#include "bandpass.hpp"

#include "checked.hpp"
#include "console.hpp"
#include "parallelbands.hpp"

#include <atomic>

void runBandPass(const BandPlan& plan, const PassOptions& options, const PixelInput& input, PixelOutput& output,
                 const std::function<BuiltBand(std::int32_t band, int worker)>& build) {
    std::atomic<std::int64_t> furthest{0};
    ProgressDots dots;
    const std::int32_t lastUnit = checkedSub(plan.dotUnits, 1);
    std::int32_t unitsShown = 0;
    auto showProgress = [&](std::int32_t unitsDone) {
        for (; unitsShown < unitsDone; ++unitsShown) dots.advance(unitsShown, lastUnit);
    };
    auto confirmFiles = [&] {
        output.grewTo(furthest);
        input.confirmIntact();
        output.confirmIntact();
    };
    forEachBand(
        plan.bands, options.threads,
        [&](std::int32_t band, int worker) {
            const BuiltBand built = build(band, worker);
            if (built.rows == nullptr) return;
            writeRows(output, built.offset, built.rows, built.bytes);
            for (std::int64_t known = furthest; built.reach > known && !furthest.compare_exchange_weak(known, built.reach);) {
            }
        },
        [&](std::int32_t done) {
            confirmFiles();
            showProgress(static_cast<std::int32_t>(static_cast<std::int64_t>(plan.dotUnits) * done / plan.bands));
        });
    if (plan.bands > 0) showProgress(plan.dotUnits);
    confirmFiles();
}

#include "commands/PromotedStartup.h"

namespace kestrum {

PromoOutcome startUpAfterPromotion(CommandContext& context,
                                   const std::function<bool()>& goOnWhenUnreachable,
                                   const std::function<void()>& startUp) {
    const PromoOutcome promo = fetchPromoLine(context);
    if (promo == PromoOutcome::Unreachable && !goOnWhenUnreachable()) {
        return promo;
    }
    startUp();
    return promo;
}

} // namespace kestrum

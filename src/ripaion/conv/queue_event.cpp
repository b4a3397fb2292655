#include "ripaion/conv/queue_event.hpp"

namespace ripaion::conv {

mjai::Event to_event(const QueueEvent& e) {
    const auto& c = e.consumed;
    switch (e.kind) {
        case QueueEvent::Tsumo: return mjai::Tsumo{e.actor, e.pai};
        case QueueEvent::Dahai: return mjai::Dahai{e.actor, e.pai, e.tsumogiri};
        case QueueEvent::Chi: return mjai::Chi{e.actor, e.target, e.pai, {c[0], c[1]}};
        case QueueEvent::Pon: return mjai::Pon{e.actor, e.target, e.pai, {c[0], c[1]}};
        case QueueEvent::Daiminkan: return mjai::Daiminkan{e.actor, e.target, e.pai, {c[0], c[1], c[2]}};
        case QueueEvent::Kakan: return mjai::Kakan{e.actor, e.pai, {c[0], c[1], c[2]}};
        case QueueEvent::Ankan: return mjai::Ankan{e.actor, c};
        case QueueEvent::Reach: return mjai::Reach{e.actor};
    }
    return mjai::None{};
}

}  // namespace ripaion::conv

#include "spk/batch_barycentric.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <optional>
#include <ranges>
#include <unordered_map>
#include <utility>

#include "spk/barycentric_state.hpp"
#include "spk/epoch_order.hpp"

namespace orbyx {
namespace {

// Per body, the segments that may answer for it in the order choose_segment
// tries them, so that choosing scans a body's few segments rather than all.
class SegmentChooser {
public:
    explicit SegmentChooser(std::vector<SpkKernel>& kernels) : kernels_(kernels) {}

    // The same answer as choose_segment: the segment, or null when none covers
    // the epoch or an unreadable kernel comes first (see unwalked_kernel_error).
    const SegmentChoice* choose(std::int32_t body, double epoch) {
        const BodyCandidates& body_candidates = candidates_for(body);
        const auto candidates = std::span(candidates_).subspan(body_candidates.first, body_candidates.count);
        for (const SegmentChoice& candidate : candidates) {
            if (segment_covers(*candidate.segment, epoch)) return &candidate;
        }
        return nullptr;
    }

    // Whether `choice` is the first segment tried for `body`: then every epoch it
    // covers chooses it, whatever was chosen before.
    bool tried_first(std::int32_t body, const SegmentChoice& choice) {
        return &choice == &candidates_[candidates_for(body).first];
    }

    // Why nothing was chosen for `body`: a kernel that could not be walked stands
    // right after the candidates before it. Null when no kernel covers the epoch.
    const SpkError* unwalked_kernel_error(std::int32_t body) {
        const BodyCandidates& body_candidates = candidates_for(body);
        return body_candidates.unwalked_kernel_error ? &*body_candidates.unwalked_kernel_error : nullptr;
    }

private:
    struct BodyCandidates {
        std::int32_t body;
        std::size_t first;  // into candidates_
        std::size_t count;
        std::optional<SpkError> unwalked_kernel_error;
    };

    const BodyCandidates& candidates_for(std::int32_t body) {
        // Neighbouring epochs mostly ask for the same body.
        if (last_ >= bodies_.size() || bodies_[last_].body != body) last_ = find_or_add(body);
        return bodies_[last_];
    }

    std::size_t find_or_add(std::int32_t body) {
        for (std::size_t i = 0; i < bodies_.size(); ++i) {
            if (bodies_[i].body == body) return i;
        }
        BodyCandidates entry{body, candidates_.size(), 0, std::nullopt};
        for (std::size_t kernel_index = 0; kernel_index < kernels_.size(); ++kernel_index) {
            auto segments = kernels_[kernel_index].cached_segments();
            if (!segments) {
                entry.unwalked_kernel_error = std::move(segments).error();
                break;
            }
            for (const SpkSegment& segment : std::views::reverse(*segments)) {
                if (segment.target == body) candidates_.push_back({kernel_index, &segment});
            }
        }
        entry.count = candidates_.size() - entry.first;
        bodies_.push_back(std::move(entry));
        return bodies_.size() - 1;
    }

    std::vector<SpkKernel>& kernels_;
    std::vector<SegmentChoice> candidates_;
    std::vector<BodyCandidates> bodies_;
    std::size_t last_ = 0;  // index of the body asked for last
};

// The segments chosen in one sweep, numbered in order of first use. A group is one
// summary, not one data block: summaries may share a block under different centres
// or coverage, and each epoch must follow its own, as a walk of that epoch alone does.
class SweepGroups {
public:
    // Starts the next sweep. The map keeps its entries, so that a segment met
    // again allocates nothing; entries of earlier sweeps count as absent.
    void clear() {
        choices_.clear();
        counts_.clear();
        ++sweep_;
    }

    std::size_t size() const { return choices_.size(); }
    const SegmentChoice& choice(std::size_t group) const { return choices_[group]; }
    const SpkSegment& segment(std::size_t group) const { return *choices_[group].segment; }
    std::uint32_t count(std::size_t group) const { return counts_[group]; }

    // The group number of the chosen segment.
    std::uint32_t add(const SegmentChoice& choice) {
        // Neighbouring epochs mostly share a segment.
        if (last_ < choices_.size() && choices_[last_].segment == choice.segment) {
            ++counts_[last_];
            return last_;
        }
        GroupNumber& number = numbers_[choice.segment];
        if (number.sweep != sweep_) {
            number = {sweep_, static_cast<std::uint32_t>(choices_.size())};
            choices_.push_back(choice);
            counts_.push_back(0);
        }
        last_ = number.group;
        ++counts_[last_];
        return last_;
    }

    // `times` more epochs for `group`, chosen again.
    void add_again(std::uint32_t group, std::uint32_t times = 1) { counts_[group] += times; }

private:
    struct GroupNumber {
        std::uint64_t sweep = 0;  // sweeps are counted from 1
        std::uint32_t group = 0;
    };

    std::vector<SegmentChoice> choices_;
    std::vector<std::uint32_t> counts_;
    std::unordered_map<const SpkSegment*, GroupNumber> numbers_;
    std::uint64_t sweep_ = 0;
    std::uint32_t last_ = 0;
};

// The per-epoch arrays of the sweeps, kept flat and reused from block to block.
class Sweeps {
public:
    explicit Sweeps(std::size_t capacity)
        : bodies_(capacity),
          group_of_(capacity),
          grouped_positions_(capacity),
          group_epochs_(capacity),
          group_states_(capacity) {}

    // Every epoch of `epochs` along its whole centre chain, one link per sweep.
    // `rising`: the epochs are in increasing order (and so none is NaN).
    Status<SpkError> run(std::vector<SpkKernel>& kernels, SegmentChooser& chooser, std::int32_t target,
                         std::span<const double> epochs, bool rising, std::span<StateVector> states) {
        const std::size_t count = epochs.size();
        std::fill_n(bodies_.begin(), count, target);  // 0 once an epoch's chain is done
        // Whether every epoch has the same body, `common_body`: at first the target.
        bool body_shared = true;
        std::int32_t common_body = target;
        // Every unfinished epoch takes one link per sweep, so the sweep number is the
        // length of each unfinished chain.
        for (int sweep = 1;; ++sweep) {
            const bool all_in_one = rising && body_shared && select_all_in_one(chooser, sweep, common_body, epochs);
            if (!all_in_one) {
                if (auto selected = select(chooser, target, sweep, epochs); !selected) return selected;
            }
            if (groups_.size() == 0) return {};
            // Usually every epoch takes the same segment: then the positions need no grouping.
            const bool one_group = groups_.size() == 1 && groups_.count(0) == count;
            if (!one_group) group_positions(count);
            if (auto evaluated = one_group ? evaluate_one_group(kernels, epochs, rising, states)
                                           : evaluate(kernels, epochs, rising, states);
                !evaluated) {
                return evaluated;
            }
            body_shared = one_group;
            common_body = groups_.segment(0).center;
        }
    }

private:
    // select() for rising epochs of one body, when the segment that body tries first
    // covers them all: they form one group. False when select() must decide.
    bool select_all_in_one(SegmentChooser& chooser, int sweep, std::int32_t body, std::span<const double> epochs) {
        groups_.clear();
        if (body == SOLAR_SYSTEM_BARYCENTER) return true;  // every chain is done
        if (sweep > MAX_CENTER_CHAIN_LINKS) return false;
        const SegmentChoice* choice = chooser.choose(body, epochs.front());
        if (choice == nullptr || !chooser.tried_first(body, *choice) || !(epochs.back() <= choice->segment->end_epoch)) {
            return false;
        }
        groups_.add_again(groups_.add(*choice), static_cast<std::uint32_t>(epochs.size() - 1));
        return true;
    }

    // Each unfinished epoch chooses its next link; the lowest failing position decides.
    Status<SpkError> select(SegmentChooser& chooser, std::int32_t target, int sweep, std::span<const double> epochs) {
        groups_.clear();
        // Neighbouring epochs of one body mostly fall in the segment it tries first;
        // while they do, the choice and its group stand without asking again.
        struct Settled {
            std::int32_t body;
            double start_epoch;
            double end_epoch;
            std::uint32_t group;
        };
        std::optional<Settled> settled;
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const std::int32_t body = bodies_[i];
            if (body == SOLAR_SYSTEM_BARYCENTER) continue;
            if (sweep > MAX_CENTER_CHAIN_LINKS) return failure(SpkError::center_chain_cycle(target));
            const double epoch = epochs[i];
            if (settled && settled->body == body && settled->start_epoch <= epoch && epoch <= settled->end_epoch) {
                group_of_[i] = settled->group;
                groups_.add_again(settled->group);
                continue;
            }
            const SegmentChoice* choice = chooser.choose(body, epoch);
            if (choice == nullptr) {
                if (const SpkError* error = chooser.unwalked_kernel_error(body)) return failure(*error);
                return failure(SpkError::broken_center_chain(body, epoch));
            }
            group_of_[i] = groups_.add(*choice);
            settled.reset();
            if (chooser.tried_first(body, *choice)) {
                settled = Settled{body, choice->segment->start_epoch, choice->segment->end_epoch, group_of_[i]};
            }
        }
        return {};
    }

    // The positions of each group together, in increasing position order.
    void group_positions(std::size_t count) {
        group_ends_.resize(groups_.size());
        std::uint32_t filled = 0;
        for (std::size_t group = 0; group < groups_.size(); ++group) {
            group_ends_[group] = filled;  // the next free slot while filling
            filled += groups_.count(group);
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (bodies_[i] != SOLAR_SYSTEM_BARYCENTER) {
                grouped_positions_[group_ends_[group_of_[i]]++] = static_cast<std::uint32_t>(i);
            }
        }
    }

    // The checks and the evaluation of one group's epochs, in group order.
    static Status<SpkError> evaluate_group(std::vector<SpkKernel>& kernels, const SegmentChoice& choice,
                                           std::span<const double> link_epochs, bool rising,
                                           std::span<StateVector> links) {
        const SpkSegment& segment = *choice.segment;
        SpkKernel& kernel = kernels[choice.kernel_index];
        if (!kernel.evaluates_segment_type(segment.data_type)) {
            return failure(SpkError::unsupported_segment_type(segment.data_type));
        }
        // Rising epochs lie within the coverage when the first and the last do.
        const bool covered = rising && !link_epochs.empty() && segment.start_epoch <= link_epochs.front() &&
                             link_epochs.back() <= segment.end_epoch;
        for (const double epoch : covered ? std::span<const double>() : link_epochs) {
            if (!std::isfinite(epoch) || !(segment.start_epoch <= epoch && epoch <= segment.end_epoch)) {
                return failure(SpkError::epoch_outside_coverage(epoch, segment.start_epoch, segment.end_epoch));
            }
        }
        return kernel.evaluate_segment_at_epochs_into(segment, link_epochs, links);
    }

    // evaluate() when the only group holds every epoch, in position order.
    Status<SpkError> evaluate_one_group(std::vector<SpkKernel>& kernels, std::span<const double> epochs, bool rising,
                                        std::span<StateVector> states) {
        const auto links = std::span(group_states_).first(epochs.size());
        if (auto evaluated = evaluate_group(kernels, groups_.choice(0), epochs, rising, links); !evaluated) {
            return evaluated;
        }
        for (std::size_t i = 0; i < epochs.size(); ++i) add_in_place(states[i], links[i]);
        std::fill_n(bodies_.begin(), epochs.size(), groups_.segment(0).center);
        return {};
    }

    // One evaluation per chosen segment; each epoch's link is added and its body moves to the centre.
    Status<SpkError> evaluate(std::vector<SpkKernel>& kernels, std::span<const double> epochs, bool rising,
                              std::span<StateVector> states) {
        for (std::size_t group = 0; group < groups_.size(); ++group) {
            const std::size_t size = groups_.count(group);
            const auto positions = std::span(grouped_positions_).subspan(group_ends_[group] - size, size);
            const auto link_epochs = std::span(group_epochs_).first(size);
            const auto links = std::span(group_states_).first(size);
            for (std::size_t j = 0; j < size; ++j) link_epochs[j] = epochs[positions[j]];
            if (auto evaluated = evaluate_group(kernels, groups_.choice(group), link_epochs, rising, links);
                !evaluated) {
                return evaluated;
            }
            for (std::size_t j = 0; j < size; ++j) {
                add_in_place(states[positions[j]], links[j]);
                bodies_[positions[j]] = groups_.segment(group).center;
            }
        }
        return {};
    }

    std::vector<std::int32_t> bodies_;
    std::vector<std::uint32_t> group_of_;
    std::vector<std::uint32_t> grouped_positions_;
    std::vector<std::uint32_t> group_ends_;
    std::vector<double> group_epochs_;
    std::vector<StateVector> group_states_;
    SweepGroups groups_;
};

// Epochs in increasing order go through their chains block by block, so that the
// per-epoch arrays stay small and in cache.
constexpr std::size_t BLOCK_EPOCHS = 256;

}  // namespace

Status<SpkError> barycentric_states_across_kernels_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                        std::span<const double> epochs,
                                                        std::span<StateVector> states) {
    assert(states.size() == epochs.size());
    std::ranges::fill(states, StateVector{});
    if (target == SOLAR_SYSTEM_BARYCENTER || epochs.empty()) return {};
    SegmentChooser chooser(kernels);
    const bool rising = in_increasing_order(epochs);

    if (epochs.size() > BLOCK_EPOCHS && rising) {
        // Each epoch's links are the same whatever else is swept with it, and the
        // records of a segment are still met in increasing order. Only which of
        // several failures is met first may differ, so a failure is traced again
        // by the sweeps over all epochs below: the outcome never depends on the blocks.
        Sweeps sweeps(BLOCK_EPOCHS);
        bool failed = false;
        for (std::size_t first = 0; first < epochs.size() && !failed; first += BLOCK_EPOCHS) {
            const std::size_t count = std::min(BLOCK_EPOCHS, epochs.size() - first);
            failed = !sweeps.run(kernels, chooser, target, epochs.subspan(first, count), true,
                                 states.subspan(first, count));
        }
        if (!failed) return {};
        std::ranges::fill(states, StateVector{});
    }
    Sweeps sweeps(epochs.size());
    return sweeps.run(kernels, chooser, target, epochs, rising, states);
}

Result<std::vector<StateVector>, SpkError> barycentric_states_across_kernels(std::vector<SpkKernel>& kernels,
                                                                            std::int32_t target,
                                                                            std::span<const double> epochs) {
    std::vector<StateVector> states(epochs.size());
    if (auto done = barycentric_states_across_kernels_into(kernels, target, epochs, states); !done) {
        return failure(std::move(done).error());
    }
    return states;
}

}  // namespace orbyx

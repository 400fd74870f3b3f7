// The bootstrap class that starts an installer jar (bootstrap/WendleJar.java),
// as wendle-pack packs it in front of the jar. Its bytes are the committed
// bootstrap/WendleJar.class, embedded at build time, so that the packing
// tool needs no JDK and every build packs the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wendle_pack {

extern const uint8_t kBootstrapClass[];
extern const std::size_t kBootstrapClassSize;

// The oldest Java feature version the bootstrap runs on: it is compiled
// with javac --release 8.
constexpr int kBootstrapJavaVersion = 8;

}  // namespace wendle_pack

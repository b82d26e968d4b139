// Feeds arbitrary bytes to the channel setup reader: it must not crash, what it takes must be a
// setup the panel can use, which exports and imports back to itself, and what it refuses must
// say why.
#include "FuzzCheck.h"

#include "core/setup/ChannelSetup.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<ChannelSetup> setup = ChannelSetup::fromJson(bytes, &error);
    if (!setup) {
        check(!error.isEmpty());
        return 0;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelSetup::Channel& channel = setup->channel(c);
        check(0 <= channel.minimum && channel.minimum <= channel.maximum && channel.maximum <= 255);
        check(channel.name.size() <= ChannelSetup::kNameMaxLength);
        check(setup->limit(c, -1) == channel.minimum && setup->limit(c, 256) == channel.maximum);
    }
    ChannelSetup copy;
    for (int c = 0; c < kChannelCount; ++c) {
        check(copy.setChannel(c, setup->channel(c)));
    }
    check(copy == *setup);
    check(ChannelSetup::fromJson(setup->toJson(), &error) == setup);
    return 0;
}

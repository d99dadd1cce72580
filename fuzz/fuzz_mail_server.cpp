// The server field parser on any text: never crashes, and what it accepts is a clean host
// and port that parse back to the same address when written in the canonical form.
#include "fuzzsupport.h"
#include "notify/mail/mailinput.h"

#include <cstdint>

using tovik::mail::parseServerField;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto address = parseServerField(text);
    if (!address)
        return 0;
    if (address->host.isEmpty())
        tovik::fuzz::fail("empty host accepted", text);
    if (tovik::mail::hasControlCharacter(address->host) || address->host.contains(u' '))
        tovik::fuzz::fail("host with blanks or controls accepted", text);
    if (address->host.contains(u'/') || address->host.contains(u'@'))
        tovik::fuzz::fail("host with a path or user info accepted", text);
    if (address->ipv6 != tovik::mail::isIpv6Address(address->host))
        tovik::fuzz::fail("ipv6 flag disagrees with the host", text);

    const QString canonical = (address->ipv6 ? u'[' + address->host + u']' : address->host) + u':' +
                              QString::number(address->port);
    const auto again = parseServerField(canonical);
    if (!again || again->host != address->host || again->port != address->port ||
        again->ipv6 != address->ipv6)
        tovik::fuzz::fail("canonical form parses differently",
                          text + QStringLiteral(" -> ") + canonical);
    return 0;
}

#include "adapter/usblocation.h"

#include <cctype>

namespace feldmoor {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The number in "NAME(<decimal>)", NAME in any case, or nothing.
std::optional<unsigned> numberIn(std::string_view component, std::string_view name)
{
    if (component.size() < name.size() + 3 || !equalIgnoringCase(component.substr(0, name.size()), name) ||
        component[name.size()] != '(' || component.back() != ')')
        return std::nullopt;
    const std::string_view digits = component.substr(name.size() + 1, component.size() - name.size() - 2);
    if (digits.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::optional<UsbPortPath> parsePath(std::string_view path)
{
    const std::vector<std::string_view> components = split(path, '#');
    // The last root hub on the path: a path never passes through two, but
    // the components before it are the controller's, in any form.
    std::size_t hub = components.size();
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (numberIn(components[i], "USBROOT"))
            hub = i;
    }
    if (hub + 1 >= components.size())
        return std::nullopt;
    UsbPortPath port;
    for (std::size_t i = hub + 1; i < components.size(); ++i) {
        const std::optional<unsigned> number = numberIn(components[i], "USB");
        if (!number || *number == 0)
            return std::nullopt;
        port.ports.push_back(*number);
    }
    const auto hubEnd = static_cast<std::size_t>(components[hub].data() + components[hub].size() - path.data());
    port.rootHub = std::string(path.substr(0, hubEnd));
    return port;
}


}

std::string usbLocationText(unsigned bus, const std::vector<unsigned> &ports)
{
    std::string text = std::to_string(bus) + '-';
    for (std::size_t i = 0; i < ports.size(); ++i)
        text += (i == 0 ? "" : ".") + std::to_string(ports[i]);
    return text;
}

std::optional<UsbPortPath> usbPortPathFromLocationPaths(std::string_view paths)
{
    for (std::string_view path : split(paths, '\0')) {
        if (path.empty())
            continue;
        if (std::optional<UsbPortPath> port = parsePath(path))
            return port;
    }
    return std::nullopt;
}

std::string usbLocationFromLocationPaths(std::string_view paths, const std::vector<std::string> &rootHubs)
{
    const std::optional<UsbPortPath> port = usbPortPathFromLocationPaths(paths);
    if (!port)
        return {};
    for (std::size_t i = 0; i < rootHubs.size(); ++i) {
        if (equalIgnoringCase(rootHubs[i], port->rootHub))
            return usbLocationText(static_cast<unsigned>(i + 1), port->ports);
    }
    return {};
}

std::optional<std::string> adapterSerialFromInstanceId(std::string_view instanceId, std::string_view hardwareId)
{
    const std::vector<std::string_view> parts = split(instanceId, '\\');
    if (parts.size() != 3 || !equalIgnoringCase(parts[0], "USB") || !equalIgnoringCase(parts[1], hardwareId) ||
        parts[2].empty())
        return std::nullopt;
    if (parts[2].find('&') != std::string_view::npos)
        return std::string();
    return std::string(parts[2]);
}

}

#include "CliSession.h"

#include "disk/SectorReader.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace qr::cli {

platform::MessageAnswer StderrMessages::ask(const std::string& text, const std::string&,
                                            platform::MessageIcon,
                                            platform::MessageButtons buttons) {
    std::cerr << text << "\n";
    switch (buttons) {
    case platform::MessageButtons::YesNo:
    case platform::MessageButtons::YesNoCancel:
        return platform::MessageAnswer::No;
    case platform::MessageButtons::OkCancel:
    case platform::MessageButtons::RetryCancel:
        return platform::MessageAnswer::Cancel;
    case platform::MessageButtons::Ok:
        break;
    }
    return platform::MessageAnswer::Ok;
}

std::unique_ptr<CliSession> openSession(const CommandLine& line, std::ostream& err) {
    auto session = std::make_unique<CliSession>();
    app::Services services;
    services.messages = &session->messages;
    session->context = std::make_unique<app::RecoveryContext>(services);
    unsigned disk = 0;
    for (const auto& image : line.images) {
        int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            err << "recovery-cli: cannot open image '" << image << "'\n";
            return nullptr;
        }
        ::close(fd);
        session->context->reader->paths().setName(disk++, image);
    }
    return session;
}

std::optional<std::string> option(const CommandLine& line, const std::string& name) {
    for (std::size_t i = 0; i + 1 < line.args.size(); ++i)
        if (line.args[i] == name)
            return line.args[i + 1];
    return std::nullopt;
}

bool hasFlag(const CommandLine& line, const std::string& name) {
    for (const auto& a : line.args)
        if (a == name)
            return true;
    return false;
}

} // namespace qr::cli

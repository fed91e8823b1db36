#include "config/Validation.h"

namespace quillon {

std::optional<ValidationFailure> FirstValidationFailure(const ConfigRecord& r, const OptionStates& o) {
    const auto on = [&](OptionNode n) { return o.IsChecked(n); };
    const auto fail = [](const char* message, OptionNode node, std::string_view field) {
        return std::optional<ValidationFailure>(ValidationFailure{message, node, field});
    };
    using N = OptionNode;
    if ((on(N::ARP) || on(N::PING)) && r.num_sockets < 2)
        return fail("At least 2 sockets are required when using PING", N::Sockets, "num_sockets");
    if (r.num_sockets < 1 || r.num_sockets > 127)
        return fail("Number of sockets must be between 1 and 127", N::Sockets, "num_sockets");
    if (r.recv_buff_size < 64) return fail("RX buffer size must be at least 64", N::Sockets, "recv_buff_size");
    if (r.xmit_buff_size < 64) return fail("TX buffer size must be at least 64", N::Sockets, "xmit_buff_size");
    if (on(N::TCP) && r.tcp_window > r.recv_buff_size)
        return fail("TCP window is too large for RX buffers", N::TCP, "tcp_window");
    if (on(N::HTTP) && r.tcp_window > r.http_buffer_len)
        return fail("TCP window is too large for HTTP buffers", N::TCP, "tcp_window");
    if (on(N::FTP) && r.tcp_window > r.ftp_buffer_len)
        return fail("TCP window is too large for FTP buffers", N::TCP, "tcp_window");
    if (on(N::FTP) && r.ftp_num_users > 127)
        return fail("Number of FTP users must be less than 128", N::FTP, "ftp_num_users");
    if (on(N::FTP) && r.ftp_max_param < kFtpMaxParamMinimum)
        return fail("FTP max param must be at least 24", N::FTP, "ftp_max_param");
    if (on(N::SMTP) && r.smtp_buffer_len < 46) return fail("SMTP buffer must be at least 46", N::SMTP, "smtp_buffer_len");
    if (on(N::ARP) && r.arp_cache_size == 0)
        return fail("ARP cache size must be between 1 and 255", N::ARP, "arp_cache_size");
    return std::nullopt;
}

}  // namespace quillon

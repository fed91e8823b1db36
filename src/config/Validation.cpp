#include "config/Validation.h"

#include "wizard/Platform.h"

namespace quillon {

std::optional<std::string> FirstValidationFailure(const ConfigRecord& r, const OptionStates& o) {
    const auto on = [&](OptionNode n) { return o.IsChecked(n); };
    if ((on(OptionNode::ARP) || on(OptionNode::PING)) && r.num_sockets < 2)
        return "At least 2 sockets are required when using PING";
    if (r.num_sockets < 1 || r.num_sockets > 127) return "Number of sockets must be between 1 and 127";
    if (r.recv_buff_size < 64) return "RX buffer size must be at least 64";
    if (r.xmit_buff_size < 64) return "TX buffer size must be at least 64";
    if (on(OptionNode::TCP) && r.tcp_window > r.recv_buff_size) return "TCP window is too large for RX buffers";
    if (on(OptionNode::HTTP) && r.tcp_window > r.http_buffer_len) return "TCP window is too large for HTTP buffers";
    if (on(OptionNode::FTP) && r.tcp_window > r.ftp_buffer_len) return "TCP window is too large for FTP buffers";
    if (on(OptionNode::FTP) && r.ftp_num_users > 127) return "Number of FTP users must be less than 128";
    if (on(OptionNode::FTP) && r.ftp_max_param < kFtpMaxParamMinimum) return "FTP max param must be at least 24";
    if (on(OptionNode::SMTP) && r.smtp_buffer_len < 46) return "SMTP buffer must be at least 46";
    if (on(OptionNode::ARP) && r.arp_cache_size == 0) return "ARP cache size must be between 1 and 255";
    return std::nullopt;
}

bool ValidateRecord(const ConfigRecord& record, const OptionStates& options, Platform& platform) {
    if (auto failure = FirstValidationFailure(record, options)) {
        Message message;
        message.text = *failure;
        message.icon = MessageIcon::Exclamation;
        platform.ShowMessage(message);
        return false;
    }
    return true;
}

}  // namespace quillon

// The servers and the SMTP client against a model of the TCP interface they are written to:
// sockets that listen and connect, data held in the segments the peer sent until it is taken,
// what is sent collected as the peer would read it. The model keeps these tests on the servers'
// own behaviour (requests in any split, every virtual file byte for byte, the FTP and SMTP
// dialogues, sharing the sockets); the end-to-end runs over a TAP device put the real TCP
// under them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include "zs_hw.h"
#include "zs_hw_host.h"
#include "zs_stack.h"
// zs_vars.c: what the servers read, which the tests fill and size their cases by.
extern zs_vfile vf_table[];
extern zs_user ftp_user_table[];
extern zs_post_entry http_post_table[];
extern const byte zs_num_vf_pages;
extern const word zs_http_buffer_len;
extern const word zs_body_buffer_len;
extern const word zs_smtp_buffer_len;
}

namespace {

//-----------------------------------------------------------------------------
// The model of TCP
//-----------------------------------------------------------------------------

struct Connection {
    std::deque<std::string> segments;   // what the peer sent and the stack has not taken
    std::string received;               // what the stack sent
    bool peer_closed = false;           // the peer sent FIN after its segments
    bool reset = false;
    bool closed_by_stack = false;
};

// One record a socket, begun afresh when a connection starts on it (and not when the stack
// opens the socket again, so that the test can still read how the last one ended).
Connection g_conn[16];
// The far end of a connection the stack opened (tcp_connect): told of the connection and
// of everything sent, it answers by adding segments. Returns false to refuse the connection.
std::function<bool(Connection& c, bool connecting)> g_remote;

bool Valid(int s) { return s >= 0 && s < static_cast<int>(zs_num_sockets); }

}  // namespace

extern "C" {

int tcp_open_socket(void) {
    for (int s = 0; s < static_cast<int>(zs_num_sockets); s++) {
        if (zs_sockets[s].state == ZS_SOCKET_FREE) {
            zs_sockets[s].state = ZS_SOCKET_OPEN;
            zs_sockets[s].protocol = ZS_PROTO_TCP;
            return s;
        }
    }
    return ZS_ERR_NO_SOCKET;
}

int tcp_listen(int s, word port) {
    if (!Valid(s) || zs_sockets[s].state != ZS_SOCKET_OPEN) return ZS_ERR_BAD_SOCKET;
    zs_sockets[s].state = ZS_SOCKET_LISTEN;
    zs_sockets[s].local_port = port;
    return ZS_OK;
}

int tcp_connect(int s, byte* ip, word port) {
    if (!Valid(s) || zs_sockets[s].state != ZS_SOCKET_OPEN) return ZS_ERR_BAD_SOCKET;
    g_conn[s] = Connection();
    std::copy(ip, ip + 4, zs_sockets[s].remote_ip);
    zs_sockets[s].remote_port = port;
    zs_sockets[s].state = ZS_SOCKET_ESTABLISHED;
    if (!g_remote || !g_remote(g_conn[s], true)) {
        zs_sockets[s].state = ZS_SOCKET_OPEN;
        return ZS_ERR_REFUSED;
    }
    return ZS_OK;
}

int tcp_send(int s, byte* buffer, word len) {
    if (!Valid(s)) return ZS_ERR_BAD_SOCKET;
    if (g_conn[s].reset) return ZS_ERR_RESET;
    if (zs_sockets[s].state != ZS_SOCKET_ESTABLISHED && zs_sockets[s].state != ZS_SOCKET_CLOSE_WAIT) return ZS_ERR_NOT_CONNECTED;
    g_conn[s].received.append(reinterpret_cast<char*>(buffer), len);
    if (g_remote && zs_sockets[s].remote_port == ZS_PORT_SMTP) g_remote(g_conn[s], false);
    return len;
}

int tcp_receive(int s, byte* buffer, word max_len) {
    if (!Valid(s) || zs_sockets[s].state == ZS_SOCKET_FREE) return ZS_ERR_BAD_SOCKET;
    Connection& c = g_conn[s];
    if (c.reset) return ZS_ERR_RESET;
    if (c.segments.empty()) return c.peer_closed ? ZS_ERR_CLOSED : 0;
    std::string& front = c.segments.front();
    const std::size_t n = std::min<std::size_t>(max_len, front.size());
    std::copy(front.begin(), front.begin() + static_cast<long>(n), buffer);
    front.erase(0, n);
    if (front.empty()) c.segments.pop_front();
    return static_cast<int>(n);
}

int tcp_close(int s) {
    if (!Valid(s) || zs_sockets[s].state == ZS_SOCKET_FREE) return ZS_ERR_BAD_SOCKET;
    g_conn[s].closed_by_stack = true;
    zs_sockets[s].state = ZS_SOCKET_FREE;   // the close completes at once in the model
    return ZS_OK;
}

void tcp_claim(int s) { (void) s; }
void tcp_init(void) {}
void tcp_poll(void) {}

void tcp_process_packet(byte* packet, word len) {
    (void) packet;
    (void) len;
}

}  // extern "C"

namespace {

//-----------------------------------------------------------------------------
// The peers
//-----------------------------------------------------------------------------

// A client connects to a socket listening on port; its number, or -1 when none listens.
int Connect(word port) {
    for (int s = 0; s < static_cast<int>(zs_num_sockets); s++) {
        if (zs_sockets[s].state == ZS_SOCKET_LISTEN && zs_sockets[s].local_port == port) {
            zs_sockets[s].state = ZS_SOCKET_ESTABLISHED;
            g_conn[s] = Connection();
            return s;
        }
    }
    return -1;
}

// The client sends text in segments of at most piece bytes (0: one segment).
void Send(int s, const std::string& text, std::size_t piece = 0) {
    if (piece == 0) piece = text.size();
    for (std::size_t at = 0; at < text.size(); at += piece) g_conn[s].segments.push_back(text.substr(at, piece));
}

int Listening(word port) {
    int n = 0;
    for (int s = 0; s < static_cast<int>(zs_num_sockets); s++)
        n += zs_sockets[s].state == ZS_SOCKET_LISTEN && zs_sockets[s].local_port == port;
    return n;
}

void Turn(int turns = 4) {
    // One round of zs_run_servers' loop.
    for (int i = 0; i < turns; i++) {
        zs_poll();
        ftp_server_process();
        http_server_process();
    }
}

// The virtual files: an index page, a page of every byte value several times over (larger
// than any buffer), an empty file, and one exactly as long as the HTTP buffer.
std::string g_index = "<html><body>Hello from the device</body></html>\n";
std::string g_bytes;
std::string g_exact;
std::string g_empty;

void StartServers() {
    zs_host_uart_attach(-1, -1);
    zs_host_set_clock_scale(1);
    zs_init_stack();
    zs_link_set(1);
    for (auto& c : g_conn) c = Connection();
    g_remote = nullptr;
    for (byte i = 0; i < zs_num_vf_pages; i++) vf_table[i] = zs_vfile{};
    for (word i = 0; i < ftp_num_users; i++) ftp_user_table[i] = zs_user{};
    for (byte i = 0; i < num_post_funcs; i++) http_post_table[i] = zs_post_entry{};
    g_bytes.clear();
    for (int round = 0; round < 12; round++)
        for (int b = 0; b < 256; b++) g_bytes.push_back(static_cast<char>(b));
    g_exact = std::string(zs_http_buffer_len, 'x');
    const auto code = [](const std::string& s) { return reinterpret_cast<const byte*>(s.data()); };
    ASSERT_EQ(vf_add_file("index.html", code(g_index), static_cast<word>(g_index.size())), 0);
    ASSERT_EQ(vf_add_file("bytes.bin", code(g_bytes), static_cast<word>(g_bytes.size())), 1);
    ASSERT_EQ(vf_add_file("empty.txt", code(g_empty), 0), 2);
    ASSERT_EQ(vf_add_file("exact.txt", code(g_exact), static_cast<word>(g_exact.size())), 3);
    ASSERT_EQ(ftp_add_user("guest", "tulipbed"), ZS_OK);
    for (int s = 0; s < static_cast<int>(zs_num_sockets); s++) zs_srv_owner[s] = ZS_SRV_NONE;
    ASSERT_EQ(ftp_server_init(), ZS_OK);
    ASSERT_EQ(http_server_init(), ZS_OK);
}

//-----------------------------------------------------------------------------
// HTTP
//-----------------------------------------------------------------------------

struct Response {
    int status = 0;
    std::map<std::string, std::string> headers;   // names in lower case
    std::string body;
    std::string error;
};

Response Parse(const std::string& raw) {
    Response r;
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos) {
        r.error = "no end of the header in '" + raw.substr(0, 80) + "'";
        return r;
    }
    if (raw.compare(0, 9, "HTTP/1.1 ") != 0) {
        r.error = "status line '" + raw.substr(0, 20) + "'";
        return r;
    }
    r.status = std::stoi(raw.substr(9, 3));
    std::size_t at = raw.find("\r\n") + 2;
    while (at < end) {
        const std::size_t eol = raw.find("\r\n", at);
        const std::string line = raw.substr(at, eol - at);
        const std::size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        r.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        at = eol + 2;
    }
    r.body = raw.substr(end + 4);
    if (!r.headers.count("content-length") || std::stoul(r.headers["content-length"]) != r.body.size()) {
        // HEAD answers carry the length of the page they leave out; the caller checks those.
        r.error = r.body.empty() ? "" : "Content-Length does not match the body";
    }
    return r;
}

// One request on a fresh connection, sent in pieces of the given size; the answer once the
// server has closed the connection.
Response Request(const std::string& request, std::size_t piece = 0) {
    const int s = Connect(ZS_PORT_HTTP);
    if (s < 0) {
        Response r;
        r.error = "no socket listens on port 80";
        return r;
    }
    Send(s, request, piece);
    for (int turn = 0; turn < 2000 && !g_conn[s].closed_by_stack; turn++) Turn(1);
    if (!g_conn[s].closed_by_stack) {
        Response r;
        r.error = "the connection was not closed";
        return r;
    }
    return Parse(g_conn[s].received);
}

class Servers : public ::testing::Test {
protected:
    void SetUp() override { StartServers(); }
};

TEST_F(Servers, EveryVirtualFileComesByteForByteHowEverTheRequestIsSplit) {
    struct File {
        const char* path;
        const std::string* content;
        const char* type;
    };
    const File files[] = {{"/index.html", &g_index, "text/html"},   {"/", &g_index, "text/html"},
                          {"/bytes.bin", &g_bytes, "application/octet-stream"},
                          {"/empty.txt", &g_empty, "text/plain"},   {"/exact.txt", &g_exact, "text/plain"}};
    std::mt19937 rng(7);
    for (const File& f : files) {
        const std::string request = std::string("GET ") + f.path +
                                    " HTTP/1.1\r\nHost: 10.0.0.2\r\nUser-Agent: test\r\nAccept: */*\r\n\r\n";
        for (std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1 + rng() % 40}}) {
            const Response r = Request(request, piece);
            ASSERT_EQ(r.error, "") << f.path << " in pieces of " << piece;
            EXPECT_EQ(r.status, 200) << f.path;
            EXPECT_EQ(r.body, *f.content) << f.path << " in pieces of " << piece;
            EXPECT_EQ(r.headers.at("content-type"), f.type) << f.path;
            EXPECT_EQ(r.headers.at("connection"), "close");
        }
        // HEAD: the same header, no body.
        const Response head = Request(std::string("HEAD ") + f.path + " HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(head.status, 200) << f.path;
        EXPECT_EQ(head.body, "") << f.path;
        EXPECT_EQ(head.headers.at("content-length"), std::to_string(f.content->size())) << f.path;
    }
    // The target as an absolute URI, escaped, with a query: the same file.
    for (const char* target : {"http://10.0.0.2/index.html", "/ind%65x.html", "/index.html?x=1&y=2", "http://10.0.0.2"}) {
        const Response r = Request(std::string("GET ") + target + " HTTP/1.0\r\n\r\n");
        EXPECT_EQ(r.status, 200) << target;
        EXPECT_EQ(r.body, g_index) << target;
    }
    // Every socket the servers do not use listens again for the next client.
    EXPECT_EQ(Listening(ZS_PORT_HTTP), static_cast<int>(zs_num_sockets) - 1);
    EXPECT_EQ(Listening(ZS_PORT_FTP), 1);
}

TEST_F(Servers, BadRequestsGetTheirStatusAndLeaveTheServerServing) {
    const struct {
        std::string request;
        int status;
    } cases[] = {
        {"GET /nothing.html HTTP/1.1\r\n\r\n", 404},
        {"GET /index.html/ HTTP/1.1\r\n\r\n", 404},
        {"HEAD /nothing.html HTTP/1.1\r\n\r\n", 404},
        {"DELETE /index.html HTTP/1.1\r\n\r\n", 501},
        {"OPTIONS * HTTP/1.1\r\n\r\n", 501},
        {"get / HTTP/1.1\r\n\r\n", 400},
        {"GET index.html HTTP/1.1\r\n\r\n", 400},
        {"GET /\r\n\r\n", 400},
        {"GET / FTP/1.0\r\n\r\n", 400},
        {"GET /%zz HTTP/1.1\r\n\r\n", 400},
        {"GET /a%00b HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 505},
        {"GET /" + std::string(200, 'a') + " HTTP/1.1\r\n\r\n", 414},
        {"GET / HTTP/1.1\r\nCookie: " + std::string(400, 'c') + "\r\n\r\n", 431},
        {"\x01\x02\x03\r\n\r\n", 400},
        {"POST /form HTTP/1.1\r\nContent-Length: 99999\r\n\r\n", 413},
        {"POST /form HTTP/1.1\r\nContent-Length: x\r\n\r\n", 400},
        {"POST /form HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
        {"POST /nobody HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", 404},
    };
    for (const auto& c : cases) {
        const Response r = Request(c.request, 5);
        EXPECT_EQ(r.error, "") << c.request.substr(0, 40);
        EXPECT_EQ(r.status, c.status) << c.request.substr(0, 40);
    }
    // A client that connects and sends nothing, or half a request, is answered 408 after the
    // idle time and its socket freed; a client that closes first is simply let go.
    const int silent = Connect(ZS_PORT_HTTP);
    const int half = Connect(ZS_PORT_HTTP);
    ASSERT_GE(half, 0);
    Send(half, "GET /index.html HT");
    Turn();
    EXPECT_FALSE(g_conn[silent].closed_by_stack);
    zs_host_set_clock_scale(1000);   // ten seconds in ten milliseconds
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!(g_conn[silent].closed_by_stack && g_conn[half].closed_by_stack) && std::chrono::steady_clock::now() < give_up) Turn(1);
    zs_host_set_clock_scale(1);
    EXPECT_EQ(Parse(g_conn[silent].received).status, 408);
    EXPECT_EQ(Parse(g_conn[half].received).status, 408);
    const int quitter = Connect(ZS_PORT_HTTP);
    g_conn[quitter].peer_closed = true;
    Turn();
    EXPECT_EQ(zs_sockets[quitter].state, ZS_SOCKET_LISTEN) << "freed and listening again";
    EXPECT_EQ(Request("GET / HTTP/1.1\r\n\r\n").body, g_index);
}

TEST_F(Servers, ClientsOnEverySocketAreAllServedWhileOneRequestArrivesInPieces) {
    // The FTP listener takes one socket; every other listens for HTTP.
    std::vector<int> clients;
    for (int s; (s = Connect(ZS_PORT_HTTP)) >= 0;) clients.push_back(s);
    ASSERT_EQ(clients.size(), zs_num_sockets - 1u);
    // The first sends half its request, then the rest arrive whole; the first's pieces keep
    // the request buffer, and the others wait for it with TCP.
    Send(clients[0], "GET /bytes.bin HTTP/1.1\r\n");
    Turn();
    for (std::size_t i = 1; i < clients.size(); i++) Send(clients[i], "GET /index.html HTTP/1.1\r\n\r\n", 3);
    Turn();
    Send(clients[0], "Host: x\r\n\r\n");
    for (int i = 0; i < 50; i++) Turn(1);
    EXPECT_EQ(Parse(g_conn[clients[0]].received).body, g_bytes);
    for (std::size_t i = 1; i < clients.size(); i++) EXPECT_EQ(Parse(g_conn[clients[i]].received).body, g_index) << i;
}

TEST_F(Servers, PostedFormsReachTheirFunctionAndItsPageIsSent) {
    static std::string posted;
    const auto shout = [](byte* body, word len, byte* reply, word max) -> word {
        posted.assign(reinterpret_cast<char*>(body), len);
        std::string page = "<p>" + posted + "</p>";
        for (char& c : page) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const word n = static_cast<word>(std::min<std::size_t>(page.size(), max));
        std::copy(page.begin(), page.begin() + n, reply);
        return n;
    };
    ASSERT_EQ(http_add_post_function("form", shout), ZS_OK);
    EXPECT_EQ(http_add_post_function("other", shout), ZS_ERR_NO_MEMORY) << "one entry configured";
    const std::string body = "led=on&level=7";
    const Response r = Request("POST /form HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\ncontent-length: " +
                                   std::to_string(body.size()) + "\r\n\r\n" + body,
                               4);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(posted, body);
    EXPECT_EQ(r.body, "<P>LED=ON&LEVEL=7</P>");
    // A body as long as the body buffer is taken; a longer one is refused before the call.
    posted.clear();
    const std::string full(zs_body_buffer_len, 'b');
    EXPECT_EQ(Request("POST /form HTTP/1.1\r\nContent-Length: " + std::to_string(full.size()) + "\r\n\r\n" + full).status, 200);
    EXPECT_EQ(posted, full);
    posted.clear();
    EXPECT_EQ(Request("POST /form HTTP/1.1\r\nContent-Length: " + std::to_string(full.size() + 1) + "\r\n\r\n" + full + "b").status, 413);
    EXPECT_EQ(posted, "");
}

//-----------------------------------------------------------------------------
// FTP
//-----------------------------------------------------------------------------

class FtpClient {
public:
    FtpClient() : ctl_(Connect(ZS_PORT_FTP)) {}
    int ctl() const { return ctl_; }
    // The next reply line, once the server has sent it.
    std::string Reply() {
        for (int i = 0; i < 20; i++) {
            const std::size_t eol = g_conn[ctl_].received.find("\r\n", read_);
            if (eol != std::string::npos) {
                const std::string line = g_conn[ctl_].received.substr(read_, eol - read_);
                read_ = eol + 2;
                return line;
            }
            Turn(1);
        }
        return "(no reply)";
    }
    std::string Command(const std::string& line, std::size_t piece = 0) {
        Send(ctl_, line + "\r\n", piece);
        return Reply();
    }
    // PASV, then the data connection to the port the reply names; -1 when that failed.
    int Passive() {
        const std::string reply = Command("PASV");
        unsigned a, b, c, d, p1, p2;
        if (std::sscanf(reply.c_str(), "227 Entering Passive Mode (%u,%u,%u,%u,%u,%u)", &a, &b, &c, &d, &p1, &p2) != 6) return -1;
        if (a != my_ip_addr[0] || d != my_ip_addr[3]) return -1;
        return Connect(static_cast<word>(p1 * 256 + p2));
    }

private:
    int ctl_;
    std::size_t read_ = 0;
};

TEST_F(Servers, FtpLogsInListsAndRetrievesEveryFileAndRefusesChanges) {
    FtpClient ftp;
    ASSERT_GE(ftp.ctl(), 0);
    Turn();
    EXPECT_EQ(ftp.Reply(), "220 Service ready");
    EXPECT_EQ(ftp.Command("PASV").substr(0, 3), "530") << "nothing before the log-in";
    EXPECT_EQ(ftp.Command("USER guest"), "331 Password required");
    EXPECT_EQ(ftp.Command("PASS wrong"), "530 Login incorrect");
    EXPECT_EQ(ftp.Command("USER nobody"), "331 Password required");
    EXPECT_EQ(ftp.Command("PASS tulipbed"), "530 Login incorrect");
    EXPECT_EQ(ftp.Command("user guest", 1), "331 Password required") << "commands in any case, a byte a segment";
    EXPECT_EQ(ftp.Command("PASS tulipbed", 2), "230 Logged in");
    EXPECT_EQ(ftp.Command("SYST"), "215 UNIX Type: L8");
    EXPECT_EQ(ftp.Command("PWD"), "257 \"/\" is the current directory");
    EXPECT_EQ(ftp.Command("CWD /"), "250 Directory is /");
    EXPECT_EQ(ftp.Command("CWD /etc").substr(0, 3), "550");
    EXPECT_EQ(ftp.Command("TYPE I"), "200 Type set");
    EXPECT_EQ(ftp.Command("TYPE E").substr(0, 3), "504");
    EXPECT_EQ(ftp.Command("PORT 10,0,0,1,4,1").substr(0, 3), "502");
    EXPECT_EQ(ftp.Command("SIZE bytes.bin"), "213 " + std::to_string(g_bytes.size()));
    EXPECT_EQ(ftp.Command("SIZE nothing").substr(0, 3), "550");
    EXPECT_EQ(ftp.Command("XYZZY plugh").substr(0, 3), "502");
    EXPECT_EQ(ftp.Command("LIST").substr(0, 3), "425") << "no data connection without PASV";

    // LIST names every file with its size; NLST only the names.
    int data = ftp.Passive();
    ASSERT_GE(data, 0);
    EXPECT_EQ(ftp.Command("LIST"), "150 Opening data connection");
    EXPECT_EQ(ftp.Reply(), "226 Transfer complete");
    EXPECT_TRUE(g_conn[data].closed_by_stack);
    const std::string list = g_conn[data].received;
    for (const auto& [name, size] : std::vector<std::pair<std::string, std::size_t>>{
             {"index.html", g_index.size()}, {"bytes.bin", g_bytes.size()}, {"empty.txt", 0}, {"exact.txt", g_exact.size()}}) {
        EXPECT_NE(list.find(" " + std::to_string(size) + " Jan  1  2000 " + name + "\r\n"), std::string::npos) << list;
    }
    data = ftp.Passive();
    EXPECT_EQ(ftp.Command("NLST"), "150 Opening data connection");
    EXPECT_EQ(ftp.Reply(), "226 Transfer complete");
    EXPECT_EQ(g_conn[data].received, "index.html\r\nbytes.bin\r\nempty.txt\r\nexact.txt\r\n");

    for (const auto& [name, content] : std::vector<std::pair<std::string, const std::string*>>{
             {"index.html", &g_index}, {"/bytes.bin", &g_bytes}, {"empty.txt", &g_empty}, {"exact.txt", &g_exact}}) {
        data = ftp.Passive();
        ASSERT_GE(data, 0) << name;
        EXPECT_EQ(ftp.Command("RETR " + name), "150 Opening data connection") << name;
        EXPECT_EQ(ftp.Reply(), "226 Transfer complete") << name;
        EXPECT_EQ(g_conn[data].received, *content) << name;
        EXPECT_TRUE(g_conn[data].closed_by_stack) << name;
    }
    EXPECT_EQ(ftp.Command("RETR nothing.txt").substr(0, 3), "550");

    // Uploads are refused, and the data connection opened for one is not left waiting.
    data = ftp.Passive();
    EXPECT_EQ(ftp.Command("STOR new.txt"), "550 The files are read-only");
    EXPECT_TRUE(g_conn[data].closed_by_stack);
    EXPECT_EQ(ftp.Command("DELE index.html"), "550 The files are read-only");
    EXPECT_EQ(ftp.Command("RETR " + std::string(100, 'n')), "500 Line too long");

    // A second client finds no FTP listener while the session runs; after QUIT it does.
    EXPECT_EQ(Listening(ZS_PORT_FTP), 0);
    EXPECT_EQ(ftp.Command("QUIT"), "221 Goodbye");
    EXPECT_TRUE(g_conn[ftp.ctl()].closed_by_stack);
    Turn();
    EXPECT_EQ(Listening(ZS_PORT_FTP), 1);
    // A client that leaves without QUIT frees the session too.
    FtpClient second;
    Turn();
    EXPECT_EQ(second.Reply(), "220 Service ready");
    g_conn[second.ctl()].reset = true;
    zs_sockets[second.ctl()].state = ZS_SOCKET_FREE;
    Turn();
    EXPECT_EQ(Listening(ZS_PORT_FTP), 1);
}

//-----------------------------------------------------------------------------
// SMTP
//-----------------------------------------------------------------------------

// A mail server that keeps the dialogue it had and answers each command; reject names the
// command it refuses (with 550).
struct MailServer {
    std::string reject;
    std::vector<std::string> commands;
    std::string data;               // the DATA section as sent, stuffing and all
    bool in_data = false;
    std::string pending;

    bool Connected(Connection& c) {
        if (reject == "connect") return false;
        c.segments.push_back(reject == "greeting" ? "554 No service\r\n" : "220 mail.test ESMTP\r\n");
        return true;
    }
    void Sent(Connection& c) {
        pending += c.received;
        c.received.clear();
        for (;;) {
            if (in_data) {
                const std::size_t end = pending.find("\r\n.\r\n");
                if (end == std::string::npos) return;
                data = pending.substr(0, end + 2);
                pending.erase(0, end + 5);
                in_data = false;
                c.segments.push_back(reject == "end" ? "552 Too much\r\n" : "250 2.0.0 Queued\r\n");
                continue;
            }
            const std::size_t eol = pending.find("\r\n");
            if (eol == std::string::npos) return;
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 2);
            commands.push_back(line);
            const std::string verb = line.substr(0, 4);
            if (verb == reject) {
                c.segments.push_back("550 5.1.1 No\r\n");
            } else if (verb == "HELO") {
                c.segments.push_back("250-mail.test greets you\r\n250-SIZE 1000\r\n");
                c.segments.push_back("250 HELP\r\n");
            } else if (verb == "DATA") {
                in_data = true;
                c.segments.push_back("354 Go ahead\r\n");
            } else if (verb == "QUIT") {
                c.segments.push_back("221 Bye\r\n");
                c.peer_closed = true;
            } else {
                c.segments.push_back("250 OK\r\n");
            }
        }
    }
};

TEST_F(Servers, MailIsDeliveredDotStuffedAndRefusalsAreReported) {
    MailServer server;
    g_remote = [&](Connection& c, bool connecting) {
        if (connecting) return server.Connected(c);
        server.Sent(c);
        return true;
    };
    // A body with lines that start with dots, bare LF and CR line ends, and no final line end:
    // longer than the SMTP buffer, so that it goes in several sends.
    std::string body = ".first line\n..second\r\nthird\rfourth.\n.\n";
    while (body.size() < 3 * zs_smtp_buffer_len) body += "more text on a line of its own\n.dot\n";
    body += "last";
    ASSERT_EQ(smtp_send_mail("device@test", "ops@test", "Status", reinterpret_cast<byte*>(body.data()),
                             static_cast<word>(body.size())),
              ZS_OK);
    const std::vector<std::string> expected = {"HELO [" + std::to_string(my_ip_addr[0]) + "." + std::to_string(my_ip_addr[1]) + "." +
                                                   std::to_string(my_ip_addr[2]) + "." + std::to_string(my_ip_addr[3]) + "]",
                                               "MAIL FROM:<device@test>", "RCPT TO:<ops@test>", "DATA", "QUIT"};
    EXPECT_EQ(server.commands, expected);
    // Undo the stuffing as a receiver does; the text is the body with CR LF line ends.
    std::string unstuffed;
    std::size_t at = 0;
    while (at < server.data.size()) {
        const std::size_t eol = server.data.find("\r\n", at);
        ASSERT_NE(eol, std::string::npos);
        std::string line = server.data.substr(at, eol - at);
        EXPECT_EQ(line.find('\r'), std::string::npos) << "bare CR in '" << line << "'";
        EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in '" << line << "'";
        if (!line.empty() && line[0] == '.') {
            EXPECT_GE(line.size(), 2u) << "an unstuffed dot line would end the mail";
            line.erase(0, 1);
        }
        unstuffed += line + "\r\n";
        at = eol + 2;
    }
    std::string want = "From: <device@test>\r\nTo: <ops@test>\r\nSubject: Status\r\n\r\n";
    for (std::size_t i = 0; i < body.size(); i++) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\r')) want += '\r';
        want += body[i];
        if (body[i] == '\r' && (i + 1 == body.size() || body[i + 1] != '\n')) want += '\n';
    }
    want += "\r\n";
    EXPECT_EQ(unstuffed, want);

    // Each refusal ends the mail with ZS_ERR_MAIL_REJECTED, politely (QUIT) where it can.
    for (const char* refusal : {"greeting", "MAIL", "RCPT", "DATA", "end"}) {
        server = MailServer();
        server.reject = refusal;
        byte text[] = "hello";
        EXPECT_EQ(smtp_send_mail("a@b", "c@d", "s", text, 5), ZS_ERR_MAIL_REJECTED) << refusal;
        ASSERT_FALSE(server.commands.empty()) << refusal;
        EXPECT_EQ(server.commands.back(), "QUIT") << refusal;
    }
    server = MailServer();
    server.reject = "connect";
    byte text[] = "hello";
    EXPECT_EQ(smtp_send_mail("a@b", "c@d", "s", text, 5), ZS_ERR_REFUSED);
    // Texts that would smuggle a header or a command in are refused before anything is sent.
    EXPECT_EQ(smtp_send_mail("a@b", "c@d", "s\r\nBcc: x@y", text, 5), ZS_ERR_ARGUMENT);
    EXPECT_EQ(smtp_send_mail("a@b>\r\nRCPT TO:<x@y", "c@d", "s", text, 5), ZS_ERR_ARGUMENT);
    // The servers' sockets are all back: the client took one from them and gave it back.
    Turn();
    EXPECT_EQ(Listening(ZS_PORT_HTTP) + Listening(ZS_PORT_FTP), static_cast<int>(zs_num_sockets));
}

TEST_F(Servers, VirtualFileTableReplacesNamesAndKeepsToItsSize) {
    const byte other[] = {1, 2, 3};
    EXPECT_EQ(vf_add_file("index.html", other, 3), 0) << "the same name replaces its entry";
    byte out[8] = {};
    EXPECT_EQ(vf_get_data(0, 1, out, 8), 2);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(vf_get_data(0, 3, out, 8), 0);
    EXPECT_EQ(vf_get_data(99, 0, out, 8), 0);
    EXPECT_EQ(vf_get_data(-1, 0, out, 8), 0);
    EXPECT_EQ(vf_add_file("e.html", other, 3), 4);
    EXPECT_EQ(vf_add_file("f.html", other, 3), 5);
    EXPECT_EQ(vf_add_file("g.html", other, 3), ZS_ERR_NO_MEMORY) << "six entries configured";
    char name[] = "f.html";
    EXPECT_EQ(vf_find_file(name), 5);
    char missing[] = "f.htm";
    EXPECT_EQ(vf_find_file(missing), ZS_ERR_NOT_FOUND);
    EXPECT_EQ(ftp_add_user("a-name-of-sixteen", "x"), ZS_ERR_ARGUMENT) << "cut short it would be another name";
}

}  // namespace

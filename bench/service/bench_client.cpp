// A minimal client of the service's device socket for the benchmark: sends
// one request and prints the outcome, so a shell script can drive quorbeld.
//
//   quorbel_bench_client attach VOLUME
//   quorbel_bench_client add proc|path TARGET READ_SPEED WRITE_SPEED   (bytes/s or none)
//   quorbel_bench_client remove TARGET
//   quorbel_bench_client clear
//   quorbel_bench_client log
// The socket is $QUORBEL_DEVICE or the default path.
#include "flowlib/DeviceProtocol.h"
#include "flowlib/FlowTypes.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace flow;

namespace {

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end()); // benchmark names are ASCII
}

void PutName(std::uint8_t* p, const std::u16string& name) {
    for (char16_t c : name) {
        p[0] = static_cast<std::uint8_t>(c);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p += 2;
    }
}

std::uint32_t ParseSpeed(const char* s) {
    if (std::strcmp(s, "none") == 0)
        return FLOW_NO_SPEED_LIMIT;
    return static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
}

int Send(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity,
         std::vector<std::uint8_t>* output) {
    const char* env = std::getenv(DEVICE_PATH_ENV);
    const std::string path = env && *env ? env : DEFAULT_DEVICE_PATH;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "connect %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    const auto msg = EncodeRequest({code, static_cast<std::uint32_t>(input.size()), capacity},
                                   input.data(), input.size());
    std::vector<std::uint8_t> reply(FRAME_HEADER_SIZE + capacity);
    if (send(fd, msg.data(), msg.size(), 0) != static_cast<ssize_t>(msg.size())) {
        std::perror("send");
        return 1;
    }
    const ssize_t n = recv(fd, reply.data(), reply.size(), 0);
    close(fd);
    const auto h = n > 0 ? DecodeReplyHeader(reply.data(), static_cast<std::size_t>(n), capacity)
                         : std::nullopt;
    if (!h) {
        std::fprintf(stderr, "malformed reply\n");
        return 1;
    }
    if (!h->uSuccess) {
        std::fprintf(stderr, "refused: %s\n", std::strerror(static_cast<int>(h->uError)));
        return 1;
    }
    if (output)
        output->assign(reply.begin() + FRAME_HEADER_SIZE,
                       reply.begin() + FRAME_HEADER_SIZE + h->uOutputLength);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    std::vector<std::uint8_t> buf(REQUEST_BUFFER_SIZE, 0);
    if (cmd == "attach" && argc == 3) {
        const std::u16string name = Widen(argv[2]);
        PutU32(buf.data(), static_cast<std::uint32_t>(name.size() * 2));
        PutName(buf.data() + 4, name);
        return Send(IOCTL_FLOW_ATTACH_VOLUME, buf, 0, nullptr);
    }
    if (cmd == "add" && argc == 6) {
        const std::u16string name = Widen(argv[3]);
        const std::uint32_t n = static_cast<std::uint32_t>((name.size() + 1) * 2);
        PutU32(buf.data(), n);
        PutName(buf.data() + 4, name);
        std::uint8_t* p = buf.data() + 4 + n;
        PutU32(p, std::strcmp(argv[2], "path") == 0 ? FLOW_MODE_PATH : FLOW_MODE_PROCESS);
        PutU32(p + 4, ParseSpeed(argv[4]));
        PutU32(p + 8, ParseSpeed(argv[5]));
        PutU64(p + 12, FLOW_NO_TOTAL_LIMIT);
        PutU64(p + 20, FLOW_NO_TOTAL_LIMIT);
        PutU64(p + 28, 0);
        PutU64(p + 36, 0);
        PutU64(p + 44, 500);
        return Send(IOCTL_FLOW_ADD_MISSION, buf, 0, nullptr);
    }
    if (cmd == "remove" && argc == 3) {
        PutName(buf.data(), Widen(argv[2]));
        return Send(IOCTL_FLOW_REMOVE_MISSION, buf, 0, nullptr);
    }
    if (cmd == "clear" && argc == 2)
        return Send(IOCTL_FLOW_CLEAR_ALL, {}, 0, nullptr);
    if (cmd == "log" && argc == 2) {
        std::vector<std::uint8_t> out;
        if (int rc = Send(IOCTL_FLOW_GET_LOG, {}, 32 * FLOW_LOG_SIZE, &out))
            return rc;
        for (std::size_t off = 0; off + FLOW_LOG_SIZE <= out.size(); off += FLOW_LOG_SIZE) {
            std::string name;
            for (std::size_t i = 0; i < 30; ++i) {
                const char16_t c =
                    static_cast<char16_t>(out[off + 2 * i] | out[off + 2 * i + 1] << 8);
                if (!c)
                    break;
                name += static_cast<char>(c);
            }
            std::printf("%s %u %u %lld %lld\n", name.c_str(), GetU32(&out[off + 60]),
                        GetU32(&out[off + 64]), static_cast<long long>(GetU64(&out[off + 68])),
                        static_cast<long long>(GetU64(&out[off + 76])));
        }
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of bench_client.cpp\n");
    return 2;
}

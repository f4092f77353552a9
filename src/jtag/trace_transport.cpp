#include "jtag/trace_transport.h"

namespace {

void Line(std::ostream& out, char kind, const uint8_t* bytes, uint32_t count) {
  static const char* digits = "0123456789abcdef";
  std::string text(2 + 2 * static_cast<size_t>(count), ' ');
  text[0] = kind;
  for (uint32_t i = 0; i < count; ++i) {
    text[2 + 2 * i] = digits[bytes[i] >> 4];
    text[3 + 2 * i] = digits[bytes[i] & 15];
  }
  out << text << '\n';
}

class TraceTransport final : public CableTransport {
 public:
  TraceTransport(std::unique_ptr<CableTransport> inner, std::ostream& out)
      : inner_(std::move(inner)), out_(out) {}

  bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override {
    const bool ok = inner_->Write(bytes, count, written);
    Line(out_, 'W', bytes, ok ? written : 0);
    return ok;
  }
  bool Read(uint8_t* buffer, uint32_t length, uint32_t& delivered) override {
    const bool ok = inner_->Read(buffer, length, delivered);
    Line(out_, 'R', buffer, ok ? delivered : 0);
    return ok;
  }
  void Purge() override { inner_->Purge(); }
  void ReceiveQueueEmpty(uint32_t& waiting) override { inner_->ReceiveQueueEmpty(waiting); }
  void Close() override {
    inner_->Close();
    out_.flush();
  }

 private:
  std::unique_ptr<CableTransport> inner_;
  std::ostream& out_;
};

}  // namespace

CableOpener TraceOpener(CableOpener inner, std::ostream& out) {
  if (!inner) return nullptr;
  return [inner = std::move(inner), &out]() -> std::unique_ptr<CableTransport> {
    auto cable = inner();
    if (!cable) return nullptr;
    return std::make_unique<TraceTransport>(std::move(cable), out);
  };
}

CableDrivers TraceDrivers(const CableDrivers& drivers, std::ostream& out) {
  return {TraceOpener(drivers.openEndpointCable, out), TraceOpener(drivers.openFtdiCable, out)};
}

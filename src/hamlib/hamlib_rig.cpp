#include "hamlib/hamlib_rig.h"

#include <dlfcn.h>
#include <hamlib/rig.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <tuple>

namespace keblor {
namespace {

// Hamlib is loaded when a rig is first wanted: its tables of every rig it knows take megabytes
// of memory once mapped, which a program without a rig should not pay. Only its header is used
// at build time, and the library's name for the loader, read from it when the build is configured.
constexpr const char* LIBRARY = KEBLOR_HAMLIB_SONAME;

// The calls the program makes, by Hamlib's own names.
struct HamlibApi {
  decltype(&::rig_set_debug) rig_set_debug = nullptr;
  decltype(&::rig_load_all_backends) rig_load_all_backends = nullptr;
  decltype(&::rigerror2) rigerror2 = nullptr;
  decltype(&::rig_init) rig_init = nullptr;
  decltype(&::rig_cleanup) rig_cleanup = nullptr;
  decltype(&::rig_open) rig_open = nullptr;
  decltype(&::rig_close) rig_close = nullptr;
  decltype(&::rig_set_vfo_opt) rig_set_vfo_opt = nullptr;
  decltype(&::rig_get_freq) rig_get_freq = nullptr;
  decltype(&::rig_set_freq) rig_set_freq = nullptr;
  decltype(&::rig_get_mode) rig_get_mode = nullptr;
  decltype(&::rig_strrmode) rig_strrmode = nullptr;
  decltype(&::rig_set_cache_timeout_ms) rig_set_cache_timeout_ms = nullptr;
  decltype(&::rig_set_conf) rig_set_conf = nullptr;
  decltype(&::rig_token_lookup) rig_token_lookup = nullptr;
  decltype(&::rig_list_foreach) rig_list_foreach = nullptr;
};

template <class Function>
bool Find(void* library, const char* name, Function& function) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) return false;
  function = reinterpret_cast<Function>(symbol);
  return true;
}

// The library, loaded and quietened once (Hamlib says a lot on standard error by default; the
// program says what matters itself); nullptr, and why, when it cannot be loaded.
const HamlibApi* Hamlib(std::string& why) {
  static HamlibApi api;
  static std::string failure;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library = dlopen(LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* error = dlerror();
      failure = std::string("Hamlib cannot be loaded: ") + (error != nullptr ? error : LIBRARY);
      return;
    }
    HamlibApi found;
    const bool all =
        Find(library, "rig_set_debug", found.rig_set_debug) &&
        Find(library, "rig_load_all_backends", found.rig_load_all_backends) &&
        Find(library, "rigerror2", found.rigerror2) && Find(library, "rig_init", found.rig_init) &&
        Find(library, "rig_cleanup", found.rig_cleanup) && Find(library, "rig_open", found.rig_open) &&
        Find(library, "rig_close", found.rig_close) && Find(library, "rig_set_vfo_opt", found.rig_set_vfo_opt) &&
        Find(library, "rig_get_freq", found.rig_get_freq) && Find(library, "rig_set_freq", found.rig_set_freq) &&
        Find(library, "rig_get_mode", found.rig_get_mode) && Find(library, "rig_strrmode", found.rig_strrmode) &&
        Find(library, "rig_set_cache_timeout_ms", found.rig_set_cache_timeout_ms) &&
        Find(library, "rig_set_conf", found.rig_set_conf) &&
        Find(library, "rig_token_lookup", found.rig_token_lookup) &&
        Find(library, "rig_list_foreach", found.rig_list_foreach);
    if (!all) {
      failure = std::string("Hamlib cannot be loaded: ") + LIBRARY + " lacks a call this program makes";
      return;
    }
    found.rig_set_debug(RIG_DEBUG_NONE);
    found.rig_load_all_backends();
    api = found;
  });
  if (api.rig_init != nullptr) return &api;
  why = failure;
  return nullptr;
}

// Hamlib's message for a code, without the line end it may carry.
std::string Reason(const HamlibApi& api, int code) {
  std::string text = api.rigerror2(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  if (const std::size_t end = text.find('\n'); end != std::string::npos) text.erase(end);
  return text;
}

Status StatusOf(const HamlibApi& api, int code) {
  if (code == RIG_OK) return Status::Fine();
  const int positive = code < 0 ? -code : code;
  // Asked for something the rig cannot do; a rig that is off, silent or gone is lost instead.
  if (positive != RIG_EPOWER && RIG_IS_SOFT_ERRCODE(positive)) return Status::Refusal(Reason(api, code));
  return Status::Loss(Reason(api, code));
}

// Each connect starts from a handle of its own: one that has lost its link does not open again
// cleanly (reads after such a re-open are refused).
class HamlibRig : public Rig {
 public:
  HamlibRig(const HamlibApi& api, RIG* rig, const RigAddress& address) : api_(api), rig_(rig), address_(address) {
    name_ = std::string(rig->caps->mfg_name) + " " + rig->caps->model_name;
    if (!address.port.empty()) name_ += " on " + address.port;
    Configure();
  }
  ~HamlibRig() override {
    Disconnect();
    if (rig_ != nullptr) api_.rig_cleanup(rig_);
  }
  HamlibRig(const HamlibRig&) = delete;
  HamlibRig& operator=(const HamlibRig&) = delete;

  std::string Name() const override { return name_; }

  Status Connect() override {
    Disconnect();
    if (used_) {
      api_.rig_cleanup(rig_);
      rig_ = api_.rig_init(static_cast<rig_model_t>(address_.model));
      if (rig_ == nullptr) return Status::Loss("Hamlib has no rig model " + std::to_string(address_.model));
      Configure();
    }
    used_ = true;
    const Status status = StatusOf(api_, api_.rig_open(rig_));
    open_ = status.Ok();
    // rigctld applies a command to the rig's current VFO unless the client names one, which
    // it does only in its VFO mode.
    if (open_ && rig_->caps->rig_model == RIG_MODEL_NETRIGCTL) api_.rig_set_vfo_opt(rig_, 1);
    return open_ ? status : Status::Loss(status.reason);
  }

  void Disconnect() override {
    if (!open_) return;
    api_.rig_close(rig_);
    open_ = false;
  }

  Status ReadDial(Vfo vfo, Dial& dial) override {
    if (!open_) return Status::Loss("not connected");
    freq_t hz = 0;
    if (const int code = api_.rig_get_freq(rig_, VfoOf(vfo), &hz); code != RIG_OK) return StatusOf(api_, code);
    if (!DialHertz(hz, dial.hz)) return Status::Refusal("the rig's frequency is out of range");
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    // A rig that cannot say its mode still has a dial.
    dial.mode = api_.rig_get_mode(rig_, VfoOf(vfo), &mode, &width) == RIG_OK && mode != RIG_MODE_NONE ? api_.rig_strrmode(mode) : "";
    return Status::Fine();
  }

  Status SetDial(Vfo vfo, std::int64_t hz) override {
    if (!open_) return Status::Loss("not connected");
    return StatusOf(api_, api_.rig_set_freq(rig_, VfoOf(vfo), static_cast<freq_t>(hz)));
  }

 private:
  // VFO B is the sub receiver on rigs that have one under that name only.
  vfo_t VfoOf(Vfo vfo) const {
    if (vfo == Vfo::A) return RIG_VFO_A;
    const int listed = rig_->state.vfo_list;
    return (listed & RIG_VFO_B) == 0 && (listed & RIG_VFO_SUB) != 0 ? RIG_VFO_SUB : RIG_VFO_B;
  }

  void Configure() {
    // The dial as the rig has it now: a move counts from it, and the operator may have just
    // turned the knob. The program reads it only once a second anyway.
    api_.rig_set_cache_timeout_ms(rig_, HAMLIB_CACHE_ALL, 0);
    if (!address_.port.empty()) api_.rig_set_conf(rig_, api_.rig_token_lookup(rig_, "rig_pathname"), address_.port.c_str());
    if (address_.speed > 0)
      api_.rig_set_conf(rig_, api_.rig_token_lookup(rig_, "serial_speed"), std::to_string(address_.speed).c_str());
  }

  const HamlibApi& api_;
  RIG* rig_;
  RigAddress address_;
  std::string name_;
  bool open_ = false;
  bool used_ = false;  // rig_ has been opened once
};

int AddModel(const rig_caps* caps, void* data) {
  auto& models = *static_cast<std::vector<RigModel>*>(data);
  models.push_back({static_cast<int>(caps->rig_model), caps->mfg_name, caps->model_name});
  return 1;  // go on
}

}  // namespace

std::unique_ptr<Rig> MakeHamlibRig(const RigAddress& address, std::string& why) {
  const HamlibApi* api = Hamlib(why);
  if (api == nullptr) return nullptr;
  RIG* rig = address.model > 0 ? api->rig_init(static_cast<rig_model_t>(address.model)) : nullptr;
  if (rig == nullptr) {
    why = "Hamlib has no rig model " + std::to_string(address.model);
    return nullptr;
  }
  return std::make_unique<HamlibRig>(*api, rig, address);
}

std::vector<RigModel> HamlibModels() {
  std::string why;
  const HamlibApi* api = Hamlib(why);
  std::vector<RigModel> models;
  if (api == nullptr) return models;
  api->rig_list_foreach(AddModel, &models);
  std::sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
    return std::tie(a.maker, a.name, a.number) < std::tie(b.maker, b.name, b.number);
  });
  return models;
}

}  // namespace keblor

// The worker state's own globals, notifyMessage, postMessage and extractFile:
// bindings of the worker's LuaWork::Channel and PayloadExtractor, every entry
// behind the exception guard.
#include <new>

#include "lauxlib.h"
#include "lua.h"
#include "package/payload_extractor.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"

namespace kavri {
namespace {

using ChannelRef = std::shared_ptr<LuaWork::Channel>;

// The channel, kept in a userdata of the state (upvalue 2 of each function);
// null when its wait object could not be made.
LuaWork::Channel* channelOf(lua_State* L) {
  auto* ref = static_cast<ChannelRef*>(lua_touserdata(L, lua_upvalueindex(2)));
  return ref ? ref->get() : nullptr;
}

int releaseChannel(lua_State* L) {
  if (auto* ref = static_cast<ChannelRef*>(lua_touserdata(L, 1))) ref->~ChannelRef();
  return 0;
}

// notifyMessage(text) -> the UI script's answer (0 when nobody answered).
int notifyMessage(lua_State* L) {
  // The text stays on this frozen stack while the worker waits.
  const char* text = lua_tolstring(L, 1, nullptr);
  LuaWork::Channel* channel = channelOf(L);
  lua_pushinteger(L, channel ? channel->notify(text) : 0);
  return 1;
}

// postMessage(text) -> true once queued for the message handlers (their
// answers are dropped), false when nothing would deliver it.
int postMessage(lua_State* L) {
  size_t length = 0;
  const char* text = lua_tolstring(L, 1, &length);
  LuaWork::Channel* channel = channelOf(L);
  lua_pushboolean(L, channel && channel->post(text, length));
  return 1;
}

// extractFile(entry name, destination path) -> true when the file was written
// completely, else false and the Windows error number (0: the entry is
// missing or damaged). Upvalue 1: the worker's PayloadExtractor.
int extractFile(lua_State* L) {
  auto* extractor = static_cast<PayloadExtractor*>(lua_touserdata(L, lua_upvalueindex(1)));
  const PayloadExtractor::Result result =
      extractor ? extractor->extract(argText(L, 1), argText(L, 2)) : PayloadExtractor::Result{false, 0};
  lua_pushboolean(L, result.written);
  if (result.written) return 1;
  lua_pushnumber(L, lua_Number(result.error));
  return 2;
}

const luaL_Reg kWorkerFunctions[] = {
    {"notifyMessage", guardedCall<notifyMessage>},
    {"postMessage", guardedCall<postMessage>},
    {"extractFile", guardedCall<extractFile>},
    {nullptr, nullptr},
};

}  // namespace

void LuaWork::registerWorkerApi(lua_State* L, PayloadExtractor* extractor) {
  lua_pushglobaltable(L);
  lua_pushlightuserdata(L, extractor);   // upvalue 1 of each (only extractFile reads it)
  // Upvalue 2: the channel, released when the state closes (items still in
  // flight keep it alive through their own references).
  void* block = lua_newuserdata(L, sizeof(ChannelRef));
  new (block) ChannelRef(Channel::create());
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, releaseChannel);
  lua_setfield(L, -2, "__gc");
  lua_setmetatable(L, -2);
  luaL_setfuncs(L, kWorkerFunctions, 2);
  lua_pop(L, 1);
}

}  // namespace kavri

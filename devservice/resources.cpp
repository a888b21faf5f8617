#include "resources.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "http_util.h"

namespace vantiro::devservice {
namespace {

constexpr ResourceInfo kResources[] = {
    {"vantiro_police_cruiser", "Utryckningsfordon: manifest, skript, metadata och modeller",
     "Emergency vehicle: manifest, scripts, metadata and models"},
    {"vantiro_hud", "Litet HUD-skript med inställningar", "Small HUD script with settings"},
    {"vantiro_city_textures", "Texturpaket på exakt 64 MiB (gränsen)",
     "Texture pack of exactly 64 MiB (the limit)"},
    {"vantiro_city_textures_xl", "Texturpaket på 64 MiB och en byte (för stort)",
     "Texture pack of 64 MiB and one byte (too large)"},
};

// splitmix64: the same bytes for the same name on every run.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
};

void put_u32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A resource container as the game's streaming files start: "RSC7", the resource version
// and the two page-size flag words, then the (here random) compressed body.
std::string streamed_asset(std::uint32_t resource_version, std::size_t size, std::uint64_t seed) {
  std::string head = "RSC7";
  put_u32(head, resource_version);
  put_u32(head, 0x00000101u | static_cast<std::uint32_t>(size >> 12 & 0xff) << 8);
  put_u32(head, 0x00000020u);
  std::string s(size, '\0');
  std::memcpy(s.data(), head.data(), std::min(size, head.size()));
  Random rnd{seed};
  // Whole words at a time: the large samples are 64 MiB and built on every request.
  for (std::size_t at = head.size(); at < size; at += 8) {
    const std::uint64_t v = rnd.next();
    std::memcpy(s.data() + at, &v, std::min<std::size_t>(8, size - at));
  }
  return s;
}

constexpr std::uint32_t kYtdVersion = 13;
constexpr std::uint32_t kYftVersion = 162;

GeneratedResource police_cruiser() {
  GeneratedResource r{"vantiro_police_cruiser", {}};
  r.files.push_back({"fxmanifest.lua", R"(fx_version 'cerulean'
game 'gta5'
lua54 'yes'

author 'Vantiro Studio'
description 'Police cruiser, add-on vehicle'
version '1.2.0'

files {
  'data/vehicles.meta',
  'data/handling.meta',
  'data/carvariations.meta',
}

data_file 'HANDLING_FILE' 'data/handling.meta'
data_file 'VEHICLE_METADATA_FILE' 'data/vehicles.meta'
data_file 'VEHICLE_VARIATION_FILE' 'data/carvariations.meta'

client_script 'client/main.lua'
server_script 'server/main.lua'
)"});
  r.files.push_back({"client/main.lua", R"(local MODEL = `vpolcruiser`

-- Lights and siren are toggled together so the siren never plays without lights.
RegisterCommand('cruiserlights', function()
  local ped = PlayerPedId()
  local vehicle = GetVehiclePedIsIn(ped, false)
  if vehicle == 0 or GetEntityModel(vehicle) ~= MODEL then return end
  local on = not IsVehicleSirenOn(vehicle)
  SetVehicleSiren(vehicle, on)
  SetVehicleHasMutedSirens(vehicle, false)
end, false)

RegisterKeyMapping('cruiserlights', 'Toggle cruiser lights', 'keyboard', 'Q')
)"});
  r.files.push_back({"server/main.lua", R"(local allowed = {}

AddEventHandler('playerJoining', function()
  allowed[source] = IsPlayerAceAllowed(source, 'vehicle.vpolcruiser')
end)

AddEventHandler('playerDropped', function()
  allowed[source] = nil
end)

RegisterNetEvent('vantiro_police_cruiser:spawned', function()
  if not allowed[source] then
    DropPlayer(source, 'This vehicle is reserved for the police job.')
  end
end)
)"});
  r.files.push_back({"data/vehicles.meta", R"(<?xml version="1.0" encoding="UTF-8"?>
<CVehicleModelInfo__InitDataList>
  <residentTxd>vehshare</residentTxd>
  <InitDatas>
    <Item>
      <modelName>vpolcruiser</modelName>
      <txdName>vpolcruiser</txdName>
      <handlingId>VPOLCRUISER</handlingId>
      <gameName>VPOLCRUIS</gameName>
      <vehicleMakeName>VAPID</vehicleMakeName>
      <type>VEHICLE_TYPE_CAR</type>
      <vehicleClass>VC_EMERGENCY</vehicleClass>
      <flags>FLAG_LAW_ENFORCEMENT FLAG_EXTRAS_REQUIRE FLAG_NO_BOOT</flags>
    </Item>
  </InitDatas>
</CVehicleModelInfo__InitDataList>
)"});
  r.files.push_back({"data/handling.meta", R"(<?xml version="1.0" encoding="UTF-8"?>
<CHandlingDataMgr>
  <HandlingData>
    <Item type="CHandlingData">
      <handlingName>VPOLCRUISER</handlingName>
      <fMass value="1800.000000" />
      <fInitialDragCoeff value="8.500000" />
      <fInitialDriveForce value="0.330000" />
      <fInitialDriveMaxFlatVel value="160.000000" />
      <fBrakeForce value="1.100000" />
      <fTractionCurveMax value="2.550000" />
    </Item>
  </HandlingData>
</CHandlingDataMgr>
)"});
  r.files.push_back({"data/carvariations.meta", R"(<?xml version="1.0" encoding="UTF-8"?>
<CVehicleModelInfoVariation>
  <variationData>
    <Item>
      <modelName>vpolcruiser</modelName>
      <colors>
        <Item>
          <indices content="char_array">111 111 0 0</indices>
        </Item>
      </colors>
      <lightSettings value="1" />
      <sirenSettings value="22" />
    </Item>
  </variationData>
</CVehicleModelInfoVariation>
)"});
  r.files.push_back({"stream/vpolcruiser.yft", streamed_asset(kYftVersion, 393216 + 77, 1)});
  r.files.push_back({"stream/vpolcruiser_hi.yft", streamed_asset(kYftVersion, 917504 + 5, 2)});
  r.files.push_back({"stream/vpolcruiser.ytd", streamed_asset(kYtdVersion, 1048576 + 1, 3)});
  return r;
}

GeneratedResource hud() {
  GeneratedResource r{"vantiro_hud", {}};
  r.files.push_back({"fxmanifest.lua", R"(fx_version 'cerulean'
game 'gta5'
lua54 'yes'

description 'Minimal speed and fuel HUD'
version '0.4.1'

files { 'config.json' }

client_script 'client.lua'
server_script 'server.lua'
)"});
  r.files.push_back(
      {"client.lua",
       R"(local config = json.decode(LoadResourceFile(GetCurrentResourceName(), 'config.json'))

CreateThread(function()
  while true do
    local vehicle = GetVehiclePedIsIn(PlayerPedId(), false)
    if vehicle ~= 0 then
      local kmh = math.floor(GetEntitySpeed(vehicle) * 3.6)
      SetTextScale(0.0, config.scale)
      SetTextEntry('STRING')
      AddTextComponentString(('%d km/h'):format(kmh))
      DrawText(config.x, config.y)
      Wait(0)
    else
      Wait(500)
    end
  end
end)
)"});
  r.files.push_back({"server.lua", R"(AddEventHandler('onResourceStart', function(name)
  if name == GetCurrentResourceName() then
    print(('[%s] started'):format(name))
  end
end)
)"});
  r.files.push_back({"config.json", "{\n  \"x\": 0.015,\n  \"y\": 0.76,\n  \"scale\": 0.42\n}\n"});
  r.files.push_back({"README.txt", "vantiro_hud: add 'ensure vantiro_hud' to server.cfg.\n"});
  return r;
}

// A texture pack whose files add up to exactly `total` bytes.
GeneratedResource texture_pack(std::string name, std::size_t total) {
  GeneratedResource r{std::move(name), {}};
  r.files.push_back({"fxmanifest.lua",
                     "fx_version 'cerulean'\ngame 'gta5'\n\ndescription 'City "
                     "texture pack'\n\nfiles { 'stream/*.ytd' }\n"});
  constexpr int kPieces = 4;
  const std::size_t rest = total - r.files[0].bytes.size();
  for (int i = 0; i < kPieces; ++i) {
    const std::size_t size =
        i + 1 < kPieces ? rest / kPieces : rest - (kPieces - 1) * (rest / kPieces);
    r.files.push_back({"stream/city_textures_0" + std::to_string(i + 1) + ".ytd",
                       streamed_asset(kYtdVersion, size, 100 + static_cast<std::uint64_t>(i))});
  }
  return r;
}

}  // namespace

std::span<const ResourceInfo> sample_resources() {
  return kResources;
}

std::optional<GeneratedResource> make_sample_resource(std::string_view name) {
  if (name == "vantiro_police_cruiser") return police_cruiser();
  if (name == "vantiro_hud") return hud();
  if (name == "vantiro_city_textures") return texture_pack(std::string(name), kMaxResourceBytes);
  if (name == "vantiro_city_textures_xl")
    return texture_pack(std::string(name), kMaxResourceBytes + 1);
  return std::nullopt;
}

std::size_t total_bytes(const GeneratedResource& r) {
  std::size_t n = 0;
  for (const auto& f : r.files) n += f.bytes.size();
  return n;
}

std::string send_payload_json(const GeneratedResource& r) {
  // Names and paths are plain ASCII of the resource rules, so they need no escaping.
  std::size_t size = 64 + r.name.size();
  for (const auto& f : r.files) size += f.path.size() + 4 * (f.bytes.size() + 2) / 3 + 32;
  std::string out;
  out.reserve(size);
  out += "{\"resourceName\":\"" + r.name + "\",\"files\":[";
  for (std::size_t i = 0; i < r.files.size(); ++i) {
    if (i > 0) out += ',';
    out += "{\"path\":\"" + r.files[i].path + "\",\"base64\":\"";
    out += base64_encode(r.files[i].bytes);
    out += "\"}";
  }
  out += "]}";
  return out;
}

}  // namespace vantiro::devservice

#include "chrome/tool_catalog.h"

#include <array>

#include "web/url.h"

namespace vantiro {
namespace {

constexpr std::u16string_view kStudioSv = u"Studio";
constexpr std::u16string_view kStudioEn = u"Studio";
constexpr std::u16string_view kLibrarySv = u"Bibliotek";
constexpr std::u16string_view kLibraryEn = u"Library";
constexpr std::u16string_view kAccountSv = u"Konto";
constexpr std::u16string_view kAccountEn = u"Account";
constexpr std::u16string_view kVehiclesSv = u"Fordon";
constexpr std::u16string_view kVehiclesEn = u"Vehicles";
constexpr std::u16string_view kPedsSv = u"Peds & kläder";
constexpr std::u16string_view kPedsEn = u"Peds & clothing";
constexpr std::u16string_view kWeaponsSv = u"Vapen";
constexpr std::u16string_view kWeaponsEn = u"Weapons";
constexpr std::u16string_view kMapsSv = u"3D & kartor";
constexpr std::u16string_view kMapsEn = u"3D & maps";
constexpr std::u16string_view kServerSv = u"Server & resurser";
constexpr std::u16string_view kServerEn = u"Server & assets";
constexpr std::u16string_view kAppSv = u"App";
constexpr std::u16string_view kAppEn = u"App";

constexpr ToolEntry core(std::u16string_view route, std::u16string_view sv, std::u16string_view en,
                         int icon, std::u16string_view badge = {}) {
  return {route, sv, en, kStudioSv, kStudioEn, icon, badge, true, false, false};
}

constexpr ToolEntry library(std::u16string_view route, std::u16string_view sv,
                            std::u16string_view en, int icon, std::u16string_view badge = {}) {
  return {route, sv, en, kLibrarySv, kLibraryEn, icon, badge, false, true, false};
}

constexpr ToolEntry row(std::u16string_view route, std::u16string_view sv, std::u16string_view en,
                        std::u16string_view group_sv, std::u16string_view group_en, int icon) {
  return {route, sv, en, group_sv, group_en, icon, {}, false, false, false};
}

constexpr std::array<ToolEntry, kToolCatalogSize> kCatalog = {{
    core(u"/editor", u"Ped-editorn", u"Ped Editor", 11),
    core(u"/vehicles/editor", u"Fordonsstudion", u"Vehicle Studio", 12),
    core(u"/weapons/editor", u"Vapeneditorn", u"Weapon Editor", 13),
    core(u"/tools/sounds", u"Ljudredigeraren", u"Audio Editor", 14),
    core(u"/tools/ai-prop", u"AI Prop 3D", u"AI Prop 3D", 15, u"AI"),
    core(u"/tools/retexture", u"Texturer", u"Retexture", 16),
    library(u"/projects", u"Mina projekt", u"Projects", 17),
    library(u"/fivem-menu", u"FiveM-meny", u"FiveM Menu", 18, u"FREE"),
    library(u"/gta", u"GTA-databas", u"GTA Database", 19),
    library(u"/docs", u"Guider", u"Guides", 20),
    row(u"/pricing", u"Priser & krediter", u"Pricing & Credits", kAccountSv, kAccountEn, 21),
    {u"/account", u"Konto", u"Account", kAccountSv, kAccountEn, 22, {}, false, false, true},
    row(u"/vehicles/livery", u"Livery", u"Livery", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/els", u"ELS till sirener", u"ELS to sirens", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/optimiser", u"Fordonsoptimering", u"Vehicle optimiser", kVehiclesSv,
        kVehiclesEn, 12),
    row(u"/vehicles/boat", u"Båt", u"Boat", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/handling", u"Handling", u"Handling", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/wheels", u"Hjul", u"Wheels", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/editor?tool=stance", u"Stance", u"Stance", kVehiclesSv, kVehiclesEn, 12),
    row(u"/vehicles/modkit", u"Karosskit och fälgar", u"Body kits and rims", kVehiclesSv,
        kVehiclesEn, 12),
    row(u"/vehicles/prepare", u"Förbered fordon", u"Prepare vehicle", kVehiclesSv, kVehiclesEn, 12),
    row(u"/tools/addon-import", u"Add-on-import", u"Add-on import", kVehiclesSv, kVehiclesEn, 12),
    row(u"/tools/plates", u"Nummerplåtar", u"Number plates", kVehiclesSv, kVehiclesEn, 12),
    row(u"/clothing-studio", u"Klädstudion", u"Clothing studio", kPedsSv, kPedsEn, 11),
    row(u"/tools/tattoos", u"Tatueringar", u"Tattoos", kPedsSv, kPedsEn, 11),
    row(u"/tools/face-skin", u"Ansiktshud", u"Face skin", kPedsSv, kPedsEn, 11),
    row(u"/tools/chain", u"Kedjor", u"Chains", kPedsSv, kPedsEn, 11),
    row(u"/tools/pets", u"Djurpeds", u"Animal peds", kPedsSv, kPedsEn, 11),
    row(u"/tools/animation", u"Animation", u"Animation", kPedsSv, kPedsEn, 11),
    row(u"/tools/retopo", u"LOD-nivåer", u"LOD levels", kPedsSv, kPedsEn, 11),
    row(u"/tools/weapon-creator", u"Vapenskaparen", u"Weapon creator", kWeaponsSv, kWeaponsEn, 13),
    row(u"/tools/weapon-skins", u"Vapenskins", u"Weapon skins", kWeaponsSv, kWeaponsEn, 13),
    row(u"/tools/mlo", u"MLO-skaparen", u"MLO creator", kMapsSv, kMapsEn, 15),
    row(u"/tools/shell", u"Skalskaparen", u"Shell creator", kMapsSv, kMapsEn, 15),
    row(u"/tools/prop", u"Props", u"Props", kMapsSv, kMapsEn, 15),
    row(u"/tools/model", u"Modellkonvertering", u"Model converter", kMapsSv, kMapsEn, 15),
    row(u"/tools/map-optimiser", u"Kartoptimering", u"Map optimiser", kMapsSv, kMapsEn, 15),
    row(u"/tools/optimizer", u"Resursoptimering", u"Resource optimiser", kServerSv, kServerEn, 16),
    row(u"/tools/textures", u"PNG till YTD", u"PNG to YTD", kServerSv, kServerEn, 16),
    row(u"/ped-check", u"Filkontroll", u"Asset check", kServerSv, kServerEn, 16),
    row(u"/tools/server-hub", u"Serverhubben", u"Server hub", kServerSv, kServerEn, 16),
    row(u"app:settings", u"Inställningar (zoom, språk, cache)", u"Settings (zoom, language, cache)",
        kAppSv, kAppEn, 24),
    row(u"app:shortcuts", u"Kortkommandon", u"Keyboard shortcuts", kAppSv, kAppEn, 25),
    row(u"app:update", u"Sök efter uppdateringar", u"Check for updates", kAppSv, kAppEn, 26),
    row(u"app:legal", u"Villkor, integritet och ångerrätt", u"Terms, privacy and withdrawal",
        kAppSv, kAppEn, 20),
    row(u"app:lang", u"Byt språk (Svenska / English)", u"Switch language (Swedish / English)",
        kAppSv, kAppEn, 23),
}};

bool starts_with(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// R is a proper prefix of Q ending at a segment boundary: "/tools/sounds" under
// "/tools/sounds/x", but not under "/tools/soundsx".
bool is_segment_prefix(std::u16string_view q, std::u16string_view r) {
  return r.size() < q.size() && starts_with(q, r) && q[r.size()] == u'/';
}

}  // namespace

std::span<const ToolEntry, kToolCatalogSize> tool_catalog() {
  return kCatalog;
}

const ToolEntry* studio_shortcut_tool(int virtual_key) {
  if (virtual_key < vk::k1 || virtual_key > vk::k6) return nullptr;
  int n = virtual_key - vk::k1 + 1;
  for (const ToolEntry& e : kCatalog) {
    if (e.core && --n == 0) return &e;
  }
  return nullptr;
}

std::u16string normalize_tool_path(std::u16string_view path) {
  if (starts_with(path, u"/sv/") || starts_with(path, u"/en/")) {
    path.remove_prefix(3);
  } else if (path == u"/sv" || path == u"/en") {
    return u"/editor";
  }
  if (path.empty()) return u"/editor";
  return std::u16string(path);
}

const ToolEntry* tool_for_path(std::u16string_view path) {
  const std::u16string p = normalize_tool_path(path.substr(0, path.find(u'#')));
  const std::u16string_view q = std::u16string_view(p).substr(0, p.find(u'?'));
  const ToolEntry* candidate = nullptr;
  for (const ToolEntry& e : kCatalog) {
    if (e.route == p) return &e;
    if (e.route == q) {
      candidate = &e;
    } else if (is_segment_prefix(q, e.route) &&
               (candidate == nullptr || candidate->route.size() < e.route.size())) {
      candidate = &e;
    }
  }
  return candidate;
}

int tab_icon_for_path(std::u16string_view path) {
  if (const ToolEntry* e = tool_for_path(path)) return e->icon;
  const std::u16string p = normalize_tool_path(path);
  if (starts_with(p, u"/vehicles/")) return 12;
  if (starts_with(p, u"/weapons/")) return 13;
  return 0;
}

bool rail_item_active(std::u16string_view current_path, std::u16string_view route) {
  if (current_path == route) return true;
  const std::u16string_view q = current_path.substr(0, current_path.find(u'?'));
  if (route == u"/vehicles/editor") return starts_with(q, u"/vehicles/");
  if (route == u"/weapons/editor") {
    return starts_with(q, u"/weapons/") || starts_with(q, u"/tools/weapon-");
  }
  if (route == u"/editor") return false;
  return is_segment_prefix(q, route);
}

std::optional<std::u16string> tool_route_address(std::u16string_view route, bool swedish) {
  if (route.empty() || route.front() != u'/') return std::nullopt;
  return language_base_url(swedish) + std::u16string(route);
}

void open_tool_route(ToolRouteHost& host, std::u16string_view route, bool new_tab) {
  host.close_settings_overlay();
  if (const auto address = tool_route_address(route, host.ui_swedish())) {
    host.open_address(*address, new_tab);
  }
}

ToolAction tool_action_for_route(std::u16string_view route) {
  if (!route.empty() && route.front() == u'/') return ToolAction::open_route;
  if (route == u"app:settings") return ToolAction::settings_general;
  if (route == u"app:shortcuts") return ToolAction::settings_shortcuts;
  if (route == u"app:update") return ToolAction::settings_update_check;
  if (route == u"app:legal") return ToolAction::settings_legal;
  if (route == u"app:lang") return ToolAction::toggle_language;
  return ToolAction::none;
}

}  // namespace vantiro

#include "catalog.h"

namespace vantiro::devservice {
namespace {

constexpr ToolPage kPages[] = {
    {"/editor", "Ped-editorn", "Ped Editor", "Studio", "Studio"},
    {"/vehicles/editor", "Fordonsstudion", "Vehicle Studio", "Studio", "Studio"},
    {"/weapons/editor", "Vapeneditorn", "Weapon Editor", "Studio", "Studio"},
    {"/tools/sounds", "Ljudredigeraren", "Audio Editor", "Studio", "Studio"},
    {"/tools/ai-prop", "AI Prop 3D", "AI Prop 3D", "Studio", "Studio"},
    {"/tools/retexture", "Texturer", "Retexture", "Studio", "Studio"},
    {"/projects", "Mina projekt", "Projects", "Bibliotek", "Library"},
    {"/fivem-menu", "FiveM-meny", "FiveM Menu", "Bibliotek", "Library"},
    {"/gta", "GTA-databas", "GTA Database", "Bibliotek", "Library"},
    {"/docs", "Guider", "Guides", "Bibliotek", "Library"},
    {"/pricing", "Priser & krediter", "Pricing & Credits", "Konto", "Account"},
    {"/account", "Konto", "Account", "Konto", "Account"},
    {"/vehicles/livery", "Livery", "Livery", "Fordon", "Vehicles"},
    {"/vehicles/els", "ELS till sirener", "ELS to sirens", "Fordon", "Vehicles"},
    {"/vehicles/optimiser", "Fordonsoptimering", "Vehicle optimiser", "Fordon", "Vehicles"},
    {"/vehicles/boat", "Båt", "Boat", "Fordon", "Vehicles"},
    {"/vehicles/handling", "Handling", "Handling", "Fordon", "Vehicles"},
    {"/vehicles/wheels", "Hjul", "Wheels", "Fordon", "Vehicles"},
    {"/vehicles/editor?tool=stance", "Stance", "Stance", "Fordon", "Vehicles"},
    {"/vehicles/modkit", "Karosskit och fälgar", "Body kits and rims", "Fordon", "Vehicles"},
    {"/vehicles/prepare", "Förbered fordon", "Prepare vehicle", "Fordon", "Vehicles"},
    {"/tools/addon-import", "Add-on-import", "Add-on import", "Fordon", "Vehicles"},
    {"/tools/plates", "Nummerplåtar", "Number plates", "Fordon", "Vehicles"},
    {"/clothing-studio", "Klädstudion", "Clothing studio", "Peds & kläder", "Peds & clothing"},
    {"/tools/tattoos", "Tatueringar", "Tattoos", "Peds & kläder", "Peds & clothing"},
    {"/tools/face-skin", "Ansiktshud", "Face skin", "Peds & kläder", "Peds & clothing"},
    {"/tools/chain", "Kedjor", "Chains", "Peds & kläder", "Peds & clothing"},
    {"/tools/pets", "Djurpeds", "Animal peds", "Peds & kläder", "Peds & clothing"},
    {"/tools/animation", "Animation", "Animation", "Peds & kläder", "Peds & clothing"},
    {"/tools/retopo", "LOD-nivåer", "LOD levels", "Peds & kläder", "Peds & clothing"},
    {"/tools/weapon-creator", "Vapenskaparen", "Weapon creator", "Vapen", "Weapons"},
    {"/tools/weapon-skins", "Vapenskins", "Weapon skins", "Vapen", "Weapons"},
    {"/tools/mlo", "MLO-skaparen", "MLO creator", "3D & kartor", "3D & maps"},
    {"/tools/shell", "Skalskaparen", "Shell creator", "3D & kartor", "3D & maps"},
    {"/tools/prop", "Props", "Props", "3D & kartor", "3D & maps"},
    {"/tools/model", "Modellkonvertering", "Model converter", "3D & kartor", "3D & maps"},
    {"/tools/map-optimiser", "Kartoptimering", "Map optimiser", "3D & kartor", "3D & maps"},
    {"/tools/optimizer", "Resursoptimering", "Resource optimiser", "Server & resurser",
     "Server & assets"},
    {"/tools/textures", "PNG till YTD", "PNG to YTD", "Server & resurser", "Server & assets"},
    {"/ped-check", "Filkontroll", "Asset check", "Server & resurser", "Server & assets"},
    {"/tools/server-hub", "Serverhubben", "Server hub", "Server & resurser", "Server & assets"},
};

}  // namespace

std::span<const ToolPage> tool_pages() {
  return kPages;
}

const ToolPage* find_tool_page(std::string_view path, std::string_view tool_query) {
  // Only the stance tool lives behind a query; any other query shows the page itself.
  const bool stance = path == "/vehicles/editor" && tool_query == "stance";
  for (const ToolPage& p : kPages) {
    if (stance ? p.route == "/vehicles/editor?tool=stance" : p.route == path) return &p;
  }
  return nullptr;
}

}  // namespace vantiro::devservice

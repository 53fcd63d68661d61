-- Fields of many objects read and written in a loop over all of them, as a game's
-- controller object walks its enemies or bullets every step. Each table also holds the
-- position an instance is created with.
local things = {}
for i = 0, 9999 do
  things[#things + 1] = { x = i % 640, y = i // 640, px = i % 640, vx = i % 7 + 1,
    hp = i % 100, hits = 0 }
end
local total = 0
for pass = 0, 1499 do
  for _, thing in ipairs(things) do
    thing.px = thing.px + thing.vx
    if thing.px >= 640 then thing.px = thing.px - 640 end
    thing.hp = thing.hp - 1
    if thing.hp < 0 then
      thing.hp = 99
      thing.hits = thing.hits + 1
    end
    total = total + thing.px
  end
end
for _, thing in ipairs(things) do total = total + thing.hits end
print(total)

-- Integer arithmetic in a tight loop.
local s = 0
for i = 0, 4999999 do
  s = (s + i * 7 + i // 3) % 1000003
end
print(s)

-- Floating-point maths functions in a loop.
local x, y = 0.0, 0.0
for i = 0, 499999 do
  x = x + math.sin(i * 0.001) * math.cos(i * 0.002)
  y = y + math.sqrt(i) / (1 + i)
end
print(math.floor(x * 1000))
print(math.floor(y * 1000))

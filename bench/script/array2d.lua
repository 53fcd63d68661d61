-- Two-dimensional arrays: a product of two 90 x 90 matrices.
local n = 90
local a, b, c = {}, {}, {}
for i = 0, n - 1 do
  a[i], b[i], c[i] = {}, {}, {}
  for j = 0, n - 1 do
    a[i][j] = (i + j) % 7
    b[i][j] = (i * j) % 5
  end
end
local total = 0
for i = 0, n - 1 do
  for j = 0, n - 1 do
    local sum = 0
    for k = 0, n - 1 do
      sum = sum + a[i][k] * b[k][j]
    end
    c[i][j] = sum
    total = total + sum * (i + 1)
  end
end
print(total)

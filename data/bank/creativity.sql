CREATE TABLE "你富有创造力吗？" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "分数A" NUMERIC,
  "分数B" NUMERIC,
  "分数C" NUMERIC,
  "分数D" NUMERIC,
  "分数E" NUMERIC
);

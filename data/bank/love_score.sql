CREATE TABLE "你的爱情能打多少分？" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "分数A" NUMERIC,
  "分数B" NUMERIC,
  "分数C" NUMERIC
);

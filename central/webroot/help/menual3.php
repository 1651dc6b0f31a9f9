<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 3 - 서버 리스트</title></head>
<body>
<h1>도움말 3 - 서버 리스트</h1>
<p>서버 리스트에는 지금 서버를 열어 둔 회원이 보입니다. 목록 새로고침으로 다시 받을 수 있습니다.</p>
</body>
</html>
